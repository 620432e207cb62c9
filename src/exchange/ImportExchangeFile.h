#pragma once

#include <QString>
#include <QStringList>

class WorkingDatabase;

// The import of exchange files (or backup files) into the working database:
// all of a file's records or none. Records whose c901 already exists are
// listed in the conflict report "数据导入编号冲突.txt" in the temporary folder.

// The conflict report's path.
QString ConflictReportPath();

// What an import of one file came to.
enum class ImportOutcome {
    Imported,  // every record of the file was added
    Declined,  // the user did not confirm the file's label
    Refused,   // nothing was added: codes that exist already, or other columns
    Failed,    // the file is missing or unusable, or a database error stopped the import
};

// Imports the file at `chosen` into table `table` of `working` (the staging
// table is `table` + "_" + `table`), after the user confirmed its label. A
// transformed file is read through the working copy "temp.dat" in the program
// folder; the chosen file is never changed. Every outcome is shown through
// the prompter.
ImportOutcome ImportExchangeFileAt(WorkingDatabase& working, const QString& table, const QString& chosen);

// What an import of one or more files came to, file by file.
struct ImportCounts {
    int imported = 0;           // files whose every record was added
    int refused = 0;            // files refused for codes that exist already
    QStringList unreadable;     // files that could not be read or copied (as chosen)
    bool declined = false;      // the user did not confirm; nothing was done
    QString failure;            // what of the machine stopped the import (a full disk); later files were not tried
    // The records must be shown anew: something was added, or (as after a
    // single file) a file was unusable.
    bool mustRequery() const { return imported > 0 || !unreadable.isEmpty(); }
};

// Imports the files at `chosen`. One file goes exactly as ImportExchangeFileAt.
// Several: one confirmation lists every file with its label and number of
// records; then each file is imported all or nothing in turn, with progress;
// one conflict report holds a section per refused file; one message at the
// end counts the files imported, refused and unreadable, naming the latter.
// When mustRequery(), the working database announces that its records changed.
ImportCounts ImportExchangeFilesAt(WorkingDatabase& working, const QString& table, const QStringList& chosen);

// The open dialog of the imports ("选择导入文件", several files may be
// chosen); a single name is completed by the filter chosen. Empty when cancelled.
QStringList ChooseImportFiles();

// The command: the open dialog ("选择导入文件", several files may be chosen),
// then the import above.
void ImportExchangeFile(WorkingDatabase& working, const QString& table);
