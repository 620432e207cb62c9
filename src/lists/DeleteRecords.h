#pragma once

#include <QString>

class RecordGridView;
namespace db {
class Connection;
class RecordSet;
}

// Deletes the rows selected in `grid`, which shows `list`, from `table` (rows
// told apart by `keyField`) after asking the user; the grid follows the rows
// asked about and shows the list after its re-run (see DeleteListedRecords).
// True when records were deleted.
bool DeleteSelectedRecords(RecordGridView& grid, db::Connection& connection, db::RecordSet& list, const QString& table,
                           const QString& keyField);
