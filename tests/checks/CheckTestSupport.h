#pragma once

#include "core/Platform.h"
#include "core/Startup.h"
#include "core/TextEncoding.h"
#include "checks/BatchCheck.h"
#include "db/Connection.h"
#include "support/TestSupport.h"

#include <QFile>
#include <utility>

namespace test {

using FieldValues = std::initializer_list<std::pair<const char*, QVariant>>;

// Adds a survey record named after its code: reporting state 1 unless `values`
// says otherwise, RecordState 0, and every indicator not given NULL.
inline void addRecord(qint64 code, FieldValues values) {
    QStringList columns{QStringLiteral("c901"), QStringLiteral("c902"), QStringLiteral("c907")};
    QVariantList row{code, QStringLiteral("单位%1").arg(code % 1000), 1};
    for (const auto& [name, value] : values) {
        const QString column = QLatin1String(name);
        if (column == QLatin1String("c907")) row[2] = value;
        else {
            columns << column;
            row << value;
        }
    }
    workingDatabase().connection.execute(QStringLiteral("INSERT INTO dt_data(%1) VALUES(%2)")
                                             .arg(columns.join(u','), QStringList(row.size(), QStringLiteral("?")).join(u',')),
                                         row);
}

inline int recordState(qint64 code) {
    return workingDatabase()
        .connection.scalar(QStringLiteral("SELECT RecordState FROM dt_data WHERE c901=?"), {code})
        .toInt();
}

// The lines of the results file, decoded; the last line ends with CR LF too.
inline QStringList resultsLines() {
    const QByteArray bytes = readAll(resultsFilePath(workingDatabase().label));
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_EQ(bytes.count("\n"), bytes.count("\r\n")) << "every line ends with CR LF";
    QStringList lines = decodeGb18030(bytes).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

// The working database on a private copy of the system data file, with the
// file opener recording what would be opened.
class CheckDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        setProgramFolder(folder.path(QString()));
        folder.copyOfSystemDataFile(systemDataFileName());
        ASSERT_TRUE(OpenSurveyDatabase());
        setFileOpener([this](const QString& path) { opened << path; });
        QFile::remove(resultsFilePath(workingDatabase().label));
    }
    void TearDown() override {
        setFileOpener({});
        workingDatabase().connection.close();
        setProgramFolder({});
    }
    static db::Connection& db() { return workingDatabase().connection; }
    TempFolder folder;
    QStringList opened;
};

} // namespace test
