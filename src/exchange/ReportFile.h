#pragma once

#include "core/Outcome.h"

#include <QString>

namespace db {
class Connection;
}

// The report file for the online reporting system: every survey record as
// comma-separated text, encrypted with AES-128 under the report key.

// Writes the report file `destination` from `working`. The plain text is
// built in memory and never touches the disk; the destination is replaced
// whole or not at all. Raises std::runtime_error.
void WriteReportFile(db::Connection& working, const QString& destination);

// The command: the precondition, the save dialog ("导出文件存放为", proposed
// name the date + "(网络版)"), the export with its progress and the message.
// Done with the report file written; Refused while records are unverified or
// for a destination that is a file the program uses; Declined when the dialog
// was cancelled; Failed after an error.
Outcome ExportReportFile(db::Connection& working);
