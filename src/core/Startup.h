#pragma once

#include "db/Connection.h"

#include <QString>

// The file name of the system data file in the program folder.
inline QString systemDataFileName() { return QStringLiteral("2019NB_qv_201908291730.mdb"); }

// The working database: the one connection every command uses, the path of
// its file and the file's label (ct_label.db_name).
struct WorkingDatabase {
    db::Connection connection;
    QString path;
    QString label;
};

WorkingDatabase& workingDatabase();

// Opens a database file as the working database; an empty path opens the system
// data file. A file that still carries the exchange password loses it on the way.
// On failure shows the system's message and returns false: the program ends.
bool OpenSurveyDatabase(const QString& path = {});

// Reopens the working database at its kept path (after compaction or backup closed it).
void reopenWorkingDatabase();

// The label of an open database: db_name of the first row of ct_label.
QString readDatabaseLabel(db::Connection& connection);

// The main window's title for a database label.
QString mainWindowTitle(const QString& label);
