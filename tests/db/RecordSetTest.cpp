#include "db/Connection.h"
#include "db/RecordSet.h"
#include "db/Statement.h"
#include "support/TestSupport.h"

using namespace db;

namespace {

class RecordSetTest : public ::testing::Test {
protected:
    void SetUp() override {
        connection.open(folder.copyOfSystemDataFile());
        // Codes out of name order; c904 has ties so that the sort's stability shows.
        connection.execute(QStringLiteral(
            "INSERT INTO dt_data(c901, c902, c904, b016, RecordState) VALUES "
            "(110101000003, '丙', 3, 2.5, 1), (110101000001, '甲', 10, NULL, 0), "
            "(110101000002, '乙', 3, 7, 2), (110101000004, NULL, 10, 0, 1)"));
    }
    QStringList names(RecordSet& rs) {
        QStringList out;
        for (rs.first(); !rs.atEnd(); rs.next()) out << rs.text(QStringLiteral("c902"));
        return out;
    }
    test::TempFolder folder;
    Connection connection;
};

// The same behaviour whether the rows are copied or read by their keys.
class EitherRecordSetTest : public RecordSetTest, public ::testing::WithParamInterface<bool> {
protected:
    void openList(RecordSet& rs, const QString& sql) {
        if (GetParam()) rs.openKeyed(connection, sql, QStringLiteral("c901"));
        else rs.open(connection, sql);
    }
};

INSTANTIATE_TEST_SUITE_P(CopiedAndKeyed, EitherRecordSetTest, ::testing::Bool());

} // namespace

TEST_P(EitherRecordSetTest, KnowsItsRowsAndReadsTypedValuesByName) {
    RecordSet rs;
    openList(rs, QStringLiteral("SELECT\t* from view_data_all order by c901 asc"));
    EXPECT_EQ(rs.rowCount(), 4);
    EXPECT_EQ(rs.position(), 0);
    EXPECT_EQ(rs.integer(QStringLiteral("C901")), 110101000001);
    EXPECT_EQ(rs.real(QStringLiteral("b016")), 0.0);       // NULL
    EXPECT_EQ(rs.integer(QStringLiteral("z001")), 0);      // NULL
    EXPECT_EQ(rs.text(QStringLiteral("z001")), QString()); // NULL
    EXPECT_FALSE(rs.boolean(QStringLiteral("RecordState")));
    EXPECT_THROW(rs.value(QStringLiteral("no_field")), Error);
    EXPECT_EQ(rs.fieldKind(rs.fieldIndex(QStringLiteral("c902"))), FieldKind::Text);
    EXPECT_EQ(rs.fieldKind(rs.fieldIndex(QStringLiteral("b016"))), FieldKind::Float);
    EXPECT_EQ(rs.fieldKind(rs.fieldIndex(QStringLiteral("c901"))), FieldKind::Integer);
    EXPECT_EQ(rs.fieldName(0), QStringLiteral("c901"));

    rs.moveTo(3);
    EXPECT_EQ(rs.text(QStringLiteral("c901")), QStringLiteral("110101000004"));
    EXPECT_EQ(rs.text(QStringLiteral("c902")), QString());
    rs.next();
    EXPECT_TRUE(rs.atEnd());
    EXPECT_THROW(rs.value(QStringLiteral("c902")), Error);
    rs.previous();
    EXPECT_EQ(rs.integer(QStringLiteral("c901")), 110101000004);
    EXPECT_EQ(rs.valueAt(1, rs.fieldIndex(QStringLiteral("b016"))).toDouble(), 7.0);
    // The real 2.5 reads as the whole number 2 (half to even), the stored text as given.
    rs.moveTo(2);
    EXPECT_EQ(rs.integer(QStringLiteral("b016")), 2);
    EXPECT_EQ(rs.text(QStringLiteral("b016")), QStringLiteral("2.5"));
}

TEST_F(RecordSetTest, EmptyResultIsAtStartAndEnd) {
    RecordSet rs;
    rs.open(connection, QStringLiteral("SELECT * FROM dt_data WHERE c901 < 0"));
    EXPECT_EQ(rs.rowCount(), 0);
    EXPECT_TRUE(rs.atStart());
    EXPECT_TRUE(rs.atEnd());
    EXPECT_EQ(rs.fieldCount(), 213);
}

TEST_P(EitherRecordSetTest, SortsInMemoryStablyAndKeepsTheCurrentRow) {
    RecordSet rs;
    openList(rs, QStringLiteral("SELECT * FROM dt_data ORDER BY c901"));
    rs.moveTo(1);  // 乙
    rs.sort(QStringLiteral("c904 DESC"));
    EXPECT_EQ(rs.text(QStringLiteral("c902")), QStringLiteral("乙"));
    // Ties keep the query's order in both directions.
    EXPECT_EQ(names(rs), (QStringList{QStringLiteral("甲"), QString(), QStringLiteral("乙"), QStringLiteral("丙")}));
    rs.sort(QStringLiteral("c904 asc, c901 desc"));
    EXPECT_EQ(names(rs), (QStringList{QStringLiteral("丙"), QStringLiteral("乙"), QString(), QStringLiteral("甲")}));
    EXPECT_EQ(rs.valueAt(0, 1).toString(), QStringLiteral("丙"));
    rs.sort(QString());
    EXPECT_EQ(names(rs), (QStringList{QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙"), QString()}));
    EXPECT_THROW(rs.sort(QStringLiteral("c904 SIDEWAYS")), Error);
    EXPECT_THROW(rs.sort(QStringLiteral("nope ASC")), Error);
}

TEST_P(EitherRecordSetTest, LocatesTheFirstMatchInTheCurrentOrder) {
    RecordSet rs;
    openList(rs, QStringLiteral("SELECT * FROM dt_data ORDER BY c901"));
    EXPECT_TRUE(rs.locate(QStringLiteral("c901"), qint64(110101000003)));
    EXPECT_EQ(rs.position(), 2);
    rs.sort(QStringLiteral("c904 DESC"));
    EXPECT_TRUE(rs.locate(QStringLiteral("c904"), 3));
    EXPECT_EQ(rs.text(QStringLiteral("c902")), QStringLiteral("乙"));
    const qint64 before = rs.position();
    EXPECT_FALSE(rs.locate(QStringLiteral("c904"), 99));
    EXPECT_EQ(rs.position(), before);
}

TEST_P(EitherRecordSetTest, RequeryReturnsToTheRememberedRow) {
    RecordSet rs;
    openList(rs, QStringLiteral("SELECT * FROM dt_data ORDER BY c901"));
    rs.moveTo(2);  // 丙, 110101000003
    connection.execute(QStringLiteral("INSERT INTO dt_data(c901, c902) VALUES (100000000000, '前')"));
    rs.requery(QStringLiteral("c901"));
    EXPECT_EQ(rs.rowCount(), 5);
    EXPECT_EQ(rs.text(QStringLiteral("c902")), QStringLiteral("丙"));
    EXPECT_EQ(rs.position(), 3);

    // Without a key, or when the row is gone, the position is kept within the rows left.
    connection.execute(QStringLiteral("DELETE FROM dt_data WHERE c901 >= 110101000003"));
    rs.requery(QStringLiteral("c901"));
    EXPECT_EQ(rs.rowCount(), 3);
    EXPECT_EQ(rs.position(), 2);
    rs.requery();
    EXPECT_EQ(rs.position(), 2);
    EXPECT_EQ(rs.text(QStringLiteral("c902")), QStringLiteral("乙"));
}

TEST_P(EitherRecordSetTest, TextsSortByPinyin) {
    connection.execute(QStringLiteral("DELETE FROM dt_data"));
    qint64 code = 110101000001;
    for (const QString& name : QStringLiteral("何 刘 吴 陈 马 高 黄").split(QLatin1Char(' ')))
        connection.execute(QStringLiteral("INSERT INTO dt_data(c901, c902) VALUES (?, ?)"), {code++, name});
    RecordSet rs;
    openList(rs, QStringLiteral("SELECT * FROM dt_data ORDER BY c901"));
    rs.sort(QStringLiteral("c902 ASC"));
    EXPECT_EQ(names(rs).join(QLatin1Char(' ')), QStringLiteral("陈 高 何 黄 刘 马 吴"));
    rs.sort(QStringLiteral("c902 DESC"));
    EXPECT_EQ(names(rs).join(QLatin1Char(' ')), QStringLiteral("吴 马 刘 黄 何 高 陈"));
}

TEST_F(RecordSetTest, ARowDeletedSinceTheQueryRanReadsEmptyUntilTheListRunsAgain) {
    RecordSet rs;
    rs.openKeyed(connection, QStringLiteral("SELECT * FROM dt_data ORDER BY c901"), QStringLiteral("c901"));
    const int name = rs.fieldIndex(QStringLiteral("c902"));
    connection.execute(QStringLiteral("DELETE FROM dt_data WHERE c901 = 110101000002"));  // 乙, the second row
    EXPECT_FALSE(rs.hasVanishedRows());
    EXPECT_FALSE(rs.valueAt(1, name).isValid());
    EXPECT_TRUE(rs.hasVanishedRows());
    EXPECT_EQ(rs.valueAt(2, name).toString(), QStringLiteral("丙"));

    // Moving onto it fails and stays on the row it was on.
    EXPECT_THROW(rs.moveTo(1), Error);
    EXPECT_EQ(rs.position(), 0);
    EXPECT_EQ(rs.text(QStringLiteral("c902")), QStringLiteral("甲"));

    // Running again drops it and stays on the current record, by its key.
    rs.moveTo(2);
    rs.requery();
    EXPECT_FALSE(rs.hasVanishedRows());
    EXPECT_EQ(rs.rowCount(), 3);
    EXPECT_EQ(rs.position(), 1);
    EXPECT_EQ(rs.text(QStringLiteral("c902")), QStringLiteral("丙"));

    // A run that fails keeps the result as it was instead of leaving half of it;
    // rows it can no longer read are drawn empty.
    connection.execute(QStringLiteral("DROP TABLE dt_data"));
    EXPECT_THROW(rs.requery(), Error);
    EXPECT_TRUE(rs.isOpen());
    EXPECT_EQ(rs.rowCount(), 3);
    EXPECT_EQ(rs.position(), 1);
    EXPECT_EQ(rs.text(QStringLiteral("c902")), QStringLiteral("丙"));
    EXPECT_FALSE(rs.valueAt(2, name).isValid());
}

TEST_F(RecordSetTest, EditsAndAppendsReachTheTable) {
    RecordSet rs;
    rs.open(connection, QStringLiteral("SELECT * from dt_data Where c901=:ReocrdID"), {qint64(110101000002)});
    EXPECT_THROW(rs.edit(), Error);  // not updatable until told which table
    rs.setUpdateTable(QStringLiteral("dt_data"), QStringLiteral("c901"));
    rs.edit();
    rs.setValue(QStringLiteral("c902"), QStringLiteral("乙'改"));
    rs.setValue(QStringLiteral("z001"), 12);
    EXPECT_EQ(rs.text(QStringLiteral("c902")), QStringLiteral("乙'改"));
    rs.post();
    EXPECT_EQ(rs.text(QStringLiteral("c902")), QStringLiteral("乙'改"));
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT c902 || z001 FROM dt_data WHERE c901=110101000002")).toString(),
              QStringLiteral("乙'改12"));

    rs.append();
    rs.setValue(QStringLiteral("c901"), qint64(120000000001));
    rs.setValue(QStringLiteral("c902"), QStringLiteral("新"));
    rs.post();
    EXPECT_EQ(rs.rowCount(), 2);
    EXPECT_EQ(rs.position(), 1);
    EXPECT_EQ(rs.integer(QStringLiteral("RecordState")), 0);  // filled in by the table
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT c902 FROM dt_data WHERE c901=120000000001")).toString(),
              QStringLiteral("新"));

    // A failing post changes nothing and leaves the row in edit.
    rs.append();
    rs.setValue(QStringLiteral("c901"), qint64(120000000001));
    EXPECT_THROW(rs.post(), Error);
    EXPECT_TRUE(rs.isEditing());
    rs.cancel();
    EXPECT_EQ(rs.rowCount(), 2);
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT count(*) FROM dt_data")).toInt(), 5);
}

TEST_F(RecordSetTest, KeyedResultsNeedDistinctWholeNumberKeysAndCannotBeEdited) {
    RecordSet rs;
    EXPECT_THROW(rs.openKeyed(connection, QStringLiteral("SELECT c904 AS k, * FROM dt_data"), QStringLiteral("k")), Error);
    EXPECT_THROW(rs.openKeyed(connection, QStringLiteral("SELECT c902 AS k FROM dt_data WHERE c902 IS NOT NULL"),
                              QStringLiteral("k")),
                 Error);
    EXPECT_THROW(rs.openKeyed(connection, QStringLiteral("SELECT * FROM dt_data"), QStringLiteral("nope")), Error);
    rs.openKeyed(connection, QStringLiteral("SELECT * FROM dt_data WHERE c904=?"), QStringLiteral("c901"), {3});
    EXPECT_EQ(rs.rowCount(), 2);
    EXPECT_EQ(rs.valueAt(1, rs.fieldIndex(QStringLiteral("c902"))).toString(), QStringLiteral("丙"));
    EXPECT_THROW(rs.setUpdateTable(QStringLiteral("dt_data"), QStringLiteral("c901")), Error);
}

TEST_F(RecordSetTest, ClosingTheConnectionClosesItsResults) {
    RecordSet rs;
    rs.open(connection, QStringLiteral("SELECT * FROM dt_data"));
    connection.close();
    EXPECT_FALSE(rs.isOpen());
    EXPECT_EQ(rs.rowCount(), 0);
}

TEST_F(RecordSetTest, ResultsOpenedWhileAStatementRunsCleanUp) {
    Statement outer(connection, QStringLiteral("SELECT c901 FROM dt_data"));
    int rows = 0;
    while (outer.next()) {
        RecordSet inner;
        inner.open(connection, QStringLiteral("SELECT * FROM dt_data WHERE c901=?"), {outer.integer(0)});
        EXPECT_EQ(inner.rowCount(), 1);
        ++rows;
    }
    EXPECT_EQ(rows, 4);
    RecordSet after;
    after.open(connection, QStringLiteral("SELECT 1"));
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT count(*) FROM temp.sqlite_schema")).toInt(), 1);
}

TEST_F(RecordSetTest, UpdatableViewsWriteThroughToTheirTables) {
    connection.execute(QStringLiteral("UPDATE view_FieldList SET visible=0 WHERE FieldName='c902'"));
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT Visible FROM DT_FieldList WHERE FieldName='c902'")).toInt(), 0);
    connection.execute(QStringLiteral("UPDATE view_FieldList SET visible=1 WHERE FieldName='c902'"));
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT Visible FROM DT_FieldList WHERE FieldName='c902'")).toInt(), 1);
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT SheetName FROM view_FieldList WHERE FieldName='z001'")).toString(),
              connection.scalar(QStringLiteral("SELECT CodeName FROM ct_sheetName WHERE CodeID=1")).toString());

    connection.execute(QStringLiteral("INSERT INTO CT_Group(Name, orderstr) VALUES ('按编码', 'c901 ASC')"));
    const qint64 group = connection.scalar(QStringLiteral("select max(id) as GroupID from ct_group")).toLongLong();
    connection.execute(QStringLiteral("INSERT INTO view_group_item(GroupID, Title, LowBoundary, HighBoundary, LowSymbol, "
                                      "HighSymbol) VALUES (?, '北京', 110000000000, 119999999999, '>=', '<=')"),
                       {group});
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT LowValue || ' ' || HighValue FROM view_group_item")).toString(),
              QStringLiteral(">=110000000000 <=119999999999"));
    connection.execute(QStringLiteral("UPDATE view_group_item SET Title='京', LowSymbol='>' WHERE GroupID=?"), {group});
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT Title || LowSymbol FROM DT_GroupItem")).toString(), QStringLiteral("京>"));
    connection.execute(QStringLiteral("DELETE FROM view_group_item WHERE GroupID=?"), {group});
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT count(*) FROM DT_GroupItem")).toInt(), 0);
}
