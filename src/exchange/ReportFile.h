#pragma once

#include <QString>

namespace db {
class Connection;
}

// The report file for the online reporting system: every survey record as
// comma-separated text, encrypted with AES-128 under the report key.

// Writes the report file `destination` from `working`: the plain text goes to
// `workingFile` first and is removed afterwards, also when the export fails;
// the destination is replaced whole or not at all. Raises std::runtime_error.
void WriteReportFile(db::Connection& working, const QString& destination, const QString& workingFile);

// The command: the precondition, the save dialog ("导出文件存放为", proposed
// name the date + "(网络版)"), the export with its progress and the message.
// Returns the report file written, empty when there is none.
QString ExportReportFile(db::Connection& working);
