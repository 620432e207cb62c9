#pragma once

#include "core/Outcome.h"

#include <QString>

class WorkingDatabase;
namespace db {
class Connection;
}

// The export for upward reporting: the verified records of the working
// database and the label of the supplying office in a new exchange file.

// True when every record is verified (RecordState 1); otherwise shows
// `refusal` and gives false.
bool AllRecordsVerified(db::Connection& working, const QString& refusal);

// Writes the exchange file `destination`: a copy of the template "view.dll"
// with the records of `working` whose RecordState is 1 and `label`, header
// transformed. The file is built beside the destination and takes its place
// only when complete, so a failure leaves an existing file as it was. The
// open working database file itself is refused. Raises std::runtime_error.
void WriteExchangeFile(WorkingDatabase& working, const QString& label, const QString& destination);

// The command: the precondition, the label prompt (asked again while it is
// "默认数据库"), the save dialog and the export, with the system's messages.
// Done with the exchange file written; Refused while records are unverified;
// Declined when the prompt or the dialog was cancelled; Failed after an error.
Outcome ExportForReporting(WorkingDatabase& working);
