#include "db/Connection.h"
#include "db/RecordSet.h"
#include "lists/QueryResult.h"
#include "support/TestSupport.h"

TEST(QueryResultTest, ExportColumnsFollowTheGridWithoutSortArrowsAndTypedByTheirFields) {
    test::TempFolder folder;
    db::Connection connection;
    connection.open(folder.copyOfSystemDataFile());
    connection.execute(QStringLiteral("INSERT INTO dt_data(c901, c902, z001) VALUES (110101000001, '单位', 3)"));
    db::RecordSet result;
    result.open(connection, QueryResultSql(QStringLiteral("where c901>0")));
    ASSERT_EQ(result.rowCount(), 1);
    const int real = [&] {
        for (int f = 0; f < result.fieldCount(); ++f)
            if (result.fieldKind(f) == db::FieldKind::Float) return f;
        return -1;
    }();
    ASSERT_GE(real, 0) << "the survey has decimal indicators";
    const TFieldDataArray columns = QueryExportColumns(
        result, {{QStringLiteral("c902"), QStringLiteral("工会名称▲")}, {QStringLiteral("c901"), QStringLiteral("统计编码▼")},
                 {result.fieldName(real), QStringLiteral("金额")}, {QStringLiteral("none"), QStringLiteral("无")}});
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_EQ(columns[0].showName, QStringLiteral("c902"));
    EXPECT_EQ(columns[0].title, QStringLiteral("工会名称"));
    EXPECT_EQ(columns[0].typeText, QStringLiteral("VARCHAR(255)"));
    EXPECT_EQ(columns[1].title, QStringLiteral("统计编码"));
    EXPECT_EQ(columns[1].typeText, QStringLiteral("INTEGER"));
    EXPECT_EQ(columns[2].title, QStringLiteral("金额"));
    EXPECT_EQ(columns[2].typeText, QStringLiteral("DOUBLE"));
    EXPECT_EQ(columns[3].typeText, QString());  // a field the result does not have
    for (const TFieldData& column : columns) {
        EXPECT_EQ(column.width, 0);
        EXPECT_TRUE(column.queryShow);
    }
}
