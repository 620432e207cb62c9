#pragma once

#include <QString>

struct WorkingDatabase;

// The import of an exchange file (or a backup file) into the working
// database: all of its records or none. Records whose c901 already exists are
// listed in the conflict report "数据导入编号冲突.txt" in the temporary folder.

// The conflict report's path.
QString ConflictReportPath();

// Imports the file at `chosen` into table `table` of `working` (the staging
// table is `table` + "_" + `table`), after the user confirmed its label. A
// transformed file is read through the working copy "temp.dat" in the program
// folder; the chosen file is never changed. Every outcome is shown through
// the prompter. True when the record list must be re-read: after an import,
// and when the file was missing or unusable; false when the user declined or
// nothing could be imported.
bool ImportExchangeFileAt(WorkingDatabase& working, const QString& table, const QString& chosen);

// The command: the open dialog ("选择导入文件"), then the import above. True
// as above, and when the dialog was cancelled.
bool ImportExchangeFile(WorkingDatabase& working, const QString& table);
