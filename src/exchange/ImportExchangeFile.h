#pragma once

#include <QString>

struct WorkingDatabase;

// The import of an exchange file (or a backup file) into the working
// database: all of its records or none. Records whose c901 already exists are
// listed in the conflict report "数据导入编号冲突.txt" in the temporary folder.

// The conflict report's path.
QString ConflictReportPath();

// What an import came to.
enum class ImportOutcome {
    Imported,  // every record of the file was added
    Declined,  // the user did not confirm the file's label
    Refused,   // nothing was added: codes that exist already, or other columns
    Failed,    // the file is missing or unusable, or a database error stopped the import
};

// True when the record list must be re-read after `outcome`: after an import,
// and when the file was missing or unusable.
inline bool MustRequeryRecordList(ImportOutcome outcome) {
    return outcome == ImportOutcome::Imported || outcome == ImportOutcome::Failed;
}

// Imports the file at `chosen` into table `table` of `working` (the staging
// table is `table` + "_" + `table`), after the user confirmed its label. A
// transformed file is read through the working copy "temp.dat" in the program
// folder; the chosen file is never changed. Every outcome is shown through
// the prompter.
ImportOutcome ImportExchangeFileAt(WorkingDatabase& working, const QString& table, const QString& chosen);

// The command: the open dialog ("选择导入文件"), then the import above. True
// when the record list must be re-read, and when the dialog was cancelled.
bool ImportExchangeFile(WorkingDatabase& working, const QString& table);
