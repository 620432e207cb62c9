#pragma once

#include "core/Startup.h"
#include "db/Connection.h"
#include "db/Statement.h"
#include "support/TestSupport.h"

namespace test {

// The first unit code of the records the list tests add.
constexpr qint64 kFirstCode = 110101000001;

// A copy of the system data file with `count` records (codes from kFirstCode
// on, names from `names` or "单位<n>").
inline QString surveyFileWithRecords(const TempFolder& folder, int count, const QStringList& names = {}) {
    const QString path = folder.copyOfSystemDataFile(systemDataFileName());
    db::Connection c;
    c.open(path);
    for (int i = 0; i < count; ++i)
        c.execute(QStringLiteral("INSERT INTO dt_data(c901, c902, c904, RecordState) VALUES (?, ?, 11, 0)"),
                  {kFirstCode + i, i < names.size() ? names[i] : QStringLiteral("单位%1").arg(i + 1)});
    return path;
}

// The unit codes of dt_data in code order, counted from kFirstCode (1 is kFirstCode).
inline QList<int> recordNumbers(db::Connection& connection) {
    db::Statement all(connection, QStringLiteral("SELECT c901 FROM dt_data ORDER BY c901"));
    QList<int> numbers;
    while (all.next()) numbers << int(all.integer(0) - kFirstCode + 1);
    return numbers;
}

} // namespace test
