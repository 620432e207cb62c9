#pragma once

#include "db/Connection.h"

#include <QObject>
#include <QString>

// The file name of the system data file in the program folder.
inline QString systemDataFileName() { return QStringLiteral("2019NB_qv_201908291730.mdb"); }

// True when `path` names the working database at `workingPath`, the system
// data file or the exchange template "view.dll": files the program has open or
// copies from, which no export may overwrite.
bool isProgramDataFile(const QString& path, const QString& workingPath);
// When `path` is such a file, shows the refusal of an export onto it as an
// error and returns its text; empty otherwise.
QString refuseProgramDataFile(const QString& path, const QString& workingPath);

// The working database: the one connection every command uses, the path of
// its file and the file's label (ct_label.db_name). A command that added,
// changed or removed records says so through announceRecordsChanged(); the
// windows that show records re-read them on the signal.
class WorkingDatabase final : public QObject {
    Q_OBJECT
public:
    db::Connection connection;
    QString path;
    QString label;

    void announceRecordsChanged() { emit recordsChanged(); }

signals:
    void recordsChanged();
};

WorkingDatabase& workingDatabase();

// The query of the main window's record list.
inline QString recordListSql() { return QStringLiteral("SELECT\t* from view_data_all order by c901 asc"); }

// Why a database file did not open as the working database.
enum class OpenProblem {
    None,
    Missing,            // there is no such file
    InUse,              // another program, or another copy of this one, holds it
    ReadOnly,           // the file, its medium or its folder cannot be written
    Failed,             // the machine failed while reading it (a read error)
    NotSurveyDatabase,  // the file is damaged or holds no survey database
};

// What came of opening the working database; true when it opened.
struct OpenResult {
    OpenProblem problem = OpenProblem::None;
    explicit operator bool() const { return problem == OpenProblem::None; }
};

// Opens a database file as the working database; an empty path opens the system
// data file. The file is locked for the rest of the program's run: while another
// program (or another copy of this one) holds it, the open fails. The file is
// checked (checkSurveyDatabase) before anything in it is changed; a file that
// still carries the exchange password loses it afterwards. On failure shows the
// message that names the cause and says which it was.
//
// With `readOnly` the file is only read (into memory): nothing is locked or
// written, so a file on read-only media opens too.
OpenResult OpenSurveyDatabase(const QString& path = {}, bool readOnly = false);

// Raises db::Error unless the connection holds a survey database the program
// can work on: the engine finds it intact, every survey table is there as a
// table, and the label, the field metadata and the record list read without
// error, each statement within the time limit.
void checkSurveyDatabase(db::Connection& connection);

// Closes the working database and ends the program's hold on its file.
void closeWorkingDatabase();

// Reopens the working database at its kept path (after compaction or backup closed it).
void reopenWorkingDatabase();

// The label of an open database: db_name of the first row of ct_label.
QString readDatabaseLabel(db::Connection& connection);

// The main window's title for a database label.
QString mainWindowTitle(const QString& label);
