#pragma once

#include "core/Outcome.h"

#include <QList>
#include <QString>

namespace ui {
class ProgressSink;
}

class CheckFindings;
class WorkingDatabase;

// The batch check: applies the built-in rule set to a selection of records,
// sets each record's RecordState to 1 (no rule broken) or 2, and writes every
// finding into the results file in the temporary folder, which is opened for
// reading when there were findings. Only records whose c907 is 2 or less are
// selected: in the states above, the indicators are cleared and not checked.

// "2019基层以上-<label>-逻辑检查结果.txt" in the temporary folder, for the label of the checked database.
QString resultsFilePath(const QString& label);

// The selections of checkable records.
QString allRecordsSql();
QString recordRangeSql(double firstCode, double lastCode);
QString selectedRecordsSql(const QList<qint64>& codes);

// Checks the records that `selectSql` (a select of dt_data.*) gives, in its
// order, on `database`. With a monitor (the window that follows the run) the
// run shows its progress, one part per record, and obeys pause and stop; a stopped run keeps the states it wrote and the
// findings written so far, without footer, message or opening the file. A
// database or file error ends the run with its message; records checked
// before it keep their new state. When a state changed, the database announces
// that its records changed.
//
// Done with the results file when no rule was broken, Refused with it when
// there were findings, Declined when stopped, Failed after an error.
//
// With `findings` (the window that lists them), the records with findings and
// their rules are kept there, in code order, and the results file is not
// opened: the window opens it on request. Without, the file is opened when
// there were findings.
Outcome RunBatchCheck(WorkingDatabase& database, const QString& selectSql, ui::ProgressSink* monitor = nullptr,
                      CheckFindings* findings = nullptr);
