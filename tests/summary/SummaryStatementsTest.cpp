#include "summary/SummaryStatements.h"

#include "db/Connection.h"
#include "summary/Groupings.h"
#include "db/RecordSet.h"
#include "db/Statement.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <random>

using namespace summary;

namespace {

// A copy of the system data file with returns added as each test needs.
class SummaryStatementsTest : public ::testing::Test {
protected:
    void SetUp() override { connection.open(folder.copyOfSystemDataFile()); }

    // Adds a return: its unit code, level, state and further values by field.
    void addReturn(qint64 code, int level, int state, const QVariantMap& values = {}) {
        QStringList fields{QStringLiteral("c901"), QStringLiteral("c904"), QStringLiteral("c907"), QStringLiteral("RecordState")};
        QVariantList params{code, level, state, 1};
        for (auto v = values.begin(); v != values.end(); ++v) {
            fields << v.key();
            params << v.value();
        }
        connection.execute(QStringLiteral("INSERT INTO dt_data(%1) VALUES(%2)")
                               .arg(fields.join(QLatin1Char(',')), QStringList(fields.size(), QStringLiteral("?")).join(QLatin1Char(','))),
                           params);
    }
    // The row of a breakdown with this label.
    static SummaryRow rowOf(const std::vector<SummaryRow>& rows, const QString& label) {
        for (const SummaryRow& row : rows)
            if (row.label == label) return row;
        throw std::runtime_error("no row " + label.toStdString());
    }

    test::TempFolder folder;
    db::Connection connection;
};

TEST_F(SummaryStatementsTest, SheetTableGivesTheListedColumns) {
    const auto& sheets = summarySheets();
    ASSERT_EQ(sheets.size(), size_t(kSummarySheetCount));
    EXPECT_EQ(sheets[0].name, QStringLiteral("封面"));
    EXPECT_EQ(sheets[23].name, QStringLiteral("附表2  工会经费审查工作情况"));
    // count, z001-z004, z005 as a pair.
    EXPECT_EQ(resultColumnCount(sheets[1]), 7);
    EXPECT_EQ(resultColumnCount(sheets[6]), 11);   // b019-b029
    EXPECT_EQ(resultColumnCount(sheets[7]), 15);   // b030-b042 with two pairs
    EXPECT_TRUE(aggregateStatement(2).startsWith(QStringLiteral("count(*) as cnt,sum(z001) as sum_z001,")));
    EXPECT_TRUE(aggregateStatement(3).endsWith(QStringLiteral(" from dt_data where c901>0")));
    for (int sheet = 3; sheet <= kSummarySheetCount; ++sheet)
        EXPECT_FALSE(aggregateStatement(sheet).contains(QStringLiteral("count(*)"))) << sheet;
    EXPECT_THROW(aggregateStatement(1), db::Error);
    EXPECT_THROW(aggregateStatement(25), db::Error);
    // Every statement runs on the system data file, every column of it a field of dt_data.
    for (int sheet = kFirstTableSheet; sheet <= kSummarySheetCount; ++sheet)
        EXPECT_NO_THROW(breakdownRows(connection, sheet, Breakdown::Level, 0)) << sheet;
}

// A value as text that tells its kind and every bit of a real apart.
QString exactly(const QVariant& value) {
    if (value.isNull()) return QStringLiteral("null");
    if (value.typeId() == QMetaType::Double) return QStringLiteral("real ") + QString::number(value.toDouble(), 'g', 17);
    return value.typeName() + QStringLiteral(" ") + value.toString();
}

// The rows of one statement of a breakdown query, as that query gives them.
QStringList rowsOf(db::Connection& connection, const QString& sql, const QVariantList& params = {}) {
    QStringList rows;
    db::Statement query(connection, sql);
    query.bindAll(params);
    while (query.next()) {
        QStringList cells{query.text(0)};
        for (int c = 2; c < query.columnCount(); ++c) cells << exactly(query.value(c));
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

QStringList rowsOf(const std::vector<SummaryRow>& rows) {
    QStringList shown;
    for (const SummaryRow& row : rows) {
        QStringList cells{row.label};
        for (const QVariant& value : row.values) cells << exactly(value);
        shown << cells.join(QLatin1Char('|'));
    }
    return shown;
}

TEST_F(SummaryStatementsTest, AllSheetsTogetherGiveExactlyTheValuesOfEachSheetsOwnStatement) {
    // Returns of every level and state with every indicator set, reals,
    // nulls and codes of 0 and below among them.
    std::mt19937 random(7);
    QStringList fields;
    for (const SummarySheet& sheet : summarySheets())
        for (const SummaryIndicator& indicator : sheet.indicators)
            if (!indicator.field.isEmpty()) fields << indicator.field;
    fields << QStringLiteral("d012");
    fields.removeDuplicates();
    const QStringList reals{QStringLiteral("b014"), QStringLiteral("b016"), QStringLiteral("b018"), QStringLiteral("b028"),
                            QStringLiteral("b029"), QStringLiteral("y001"), QStringLiteral("y002"), QStringLiteral("y010")};
    db::Statement insert(connection, QStringLiteral("INSERT INTO dt_data(c901,c904,c907,RecordState,%1) VALUES(?,?,?,1,%2)")
                                         .arg(fields.join(QLatin1Char(',')), QStringList(fields.size(), QStringLiteral("?")).join(QLatin1Char(','))));
    const QList<int> levels{1, 2, 3, 10, 11, 99}, states{1, 2, 3};
    db::Transaction transaction(connection);
    for (int r = 0; r < 600; ++r) {
        const qint64 code = r < 5 ? -r : 110000000000 + qint64(random() % 30000000000);
        if (connection.scalar(QStringLiteral("select count(*) from dt_data where c901=?"), {code}).toInt()) continue;
        QVariantList values{code, levels[int(random() % levels.size())], states[int(random() % states.size())]};
        for (const QString& field : fields) {
            const unsigned pick = unsigned(random() % 20);
            if (pick == 0) values << QVariant();
            else if (reals.contains(field)) values << double(random() % 100000) / 100 + 0.1;
            else values << int(pick % 3 == 0 ? random() % 3 : random() % 500);
        }
        insert.bindAll(values);
        insert.run();
        insert.reset();
    }
    transaction.commit();
    const qint64 group = AddGrouping(connection, QStringLiteral("按地区"));
    AddGroupItem(connection, group, {QStringLiteral("全部"), -10, QStringLiteral(">"), 999999999999, QStringLiteral("<=")});
    for (int i = 0; i < 4; ++i)
        AddGroupItem(connection, group, {QStringLiteral("第%1片").arg(i), 110000000000 + i * 5000000000, i % 2 ? QStringLiteral(">") : QStringLiteral(">="),
                                         120000000000 + i * 5000000000, i % 2 ? QStringLiteral("<") : QStringLiteral("<=")});
    StoreGroupingOrder(connection, group, QStringLiteral("LowBoundary DESC"));

    QList<int> sheets;
    for (int sheet = kFirstTableSheet; sheet <= kSummarySheetCount; ++sheet) sheets << sheet;
    const BreakdownTables byLevel = breakdownTables(connection, sheets, Breakdown::Level, 0);
    const BreakdownTables byState = breakdownTables(connection, sheets, Breakdown::State, 0);
    const BreakdownTables byGroup = breakdownTables(connection, sheets, Breakdown::Grouping, group);
    for (const int sheet : sheets) {
        const QString statement = aggregateStatement(sheet);
        for (const auto& [table, code, key, rows] :
             {std::tuple{QStringLiteral("CT_LevelCode"), QStringLiteral("c904"), Breakdown::Level, &byLevel},
              std::tuple{QStringLiteral("ct_state"), QStringLiteral("c907"), Breakdown::State, &byState}}) {
            QStringList expected = rowsOf(connection, QStringLiteral("select code.name,sum_table.*  from %1 code left join (select %2,%3 group by %2) sum_table"
                                                                     " on code.id = sum_table.%2 order by code.sequence desc")
                                                          .arg(table, code, statement));
            std::reverse(expected.begin(), expected.end());
            EXPECT_EQ(rowsOf(rows->at(sheet)), expected) << sheet;
            EXPECT_EQ(rowsOf(breakdownRows(connection, sheet, key, 0)), expected) << sheet;
        }
        QStringList expected;
        db::Statement items(connection, QStringLiteral("select Title, LowValue, HighValue from view_group_item where groupid=? order by LowBoundary asc"));
        items.bind(1, group);
        for (int n = 1; items.next(); ++n)
            expected << rowsOf(connection, QStringLiteral(" select ? as ItemName,%1 as sid,%2 and dt_data.c901%3 and dt_data.c901%4")
                                               .arg(n).arg(statement, items.text(1), items.text(2)), {items.text(0)});
        std::reverse(expected.begin(), expected.end());
        EXPECT_EQ(rowsOf(byGroup.at(sheet)), expected) << sheet;
    }
}

TEST_F(SummaryStatementsTest, LevelsShowByAscendingSequenceWithEmptyRowsForLevelsWithoutReturns) {
    addReturn(110000000001, 2, 1, {{QStringLiteral("z001"), 10}});
    addReturn(110000000002, 2, 1, {{QStringLiteral("z001"), 5}});
    addReturn(110000000003, 1, 1, {{QStringLiteral("z001"), 7}});
    const std::vector<SummaryRow> rows = breakdownRows(connection, 2, Breakdown::Level, 0);
    ASSERT_EQ(rows.size(), 14u);
    EXPECT_EQ(rows[0].label, QStringLiteral("省级地方工会"));       // sequence 1
    EXPECT_EQ(rows[1].label, QStringLiteral("地(市)级地方工会"));   // sequence 2
    EXPECT_EQ(rows[2].label, QStringLiteral("县级地方工会"));       // sequence 3, no returns
    EXPECT_EQ(rows[13].label, QStringLiteral("未知"));              // sequence 99
    EXPECT_EQ(rows[0].values.mid(0, 2), (QVariantList{1, 7}));
    EXPECT_EQ(rows[1].values.mid(0, 2), (QVariantList{2, 15}));
    ASSERT_EQ(rows[2].values.size(), 7);
    for (const QVariant& value : rows[2].values) EXPECT_TRUE(value.isNull());

    const std::vector<SummaryRow> states = breakdownRows(connection, 2, Breakdown::State, 0);
    ASSERT_EQ(states.size(), 7u);
    EXPECT_EQ(states[0].label, QStringLiteral("正常填报"));
    EXPECT_EQ(states[0].values.mid(0, 2), (QVariantList{3, 22}));
}

TEST_F(SummaryStatementsTest, YesNoPairCountsOneAsYesAndTwoOrZeroAsNo) {
    addReturn(110000000001, 1, 1, {{QStringLiteral("z005"), 1}});
    addReturn(110000000002, 1, 1, {{QStringLiteral("z005"), 2}});
    addReturn(110000000003, 1, 1, {{QStringLiteral("z005"), 0}});
    addReturn(110000000004, 1, 1, {{QStringLiteral("z005"), QVariant()}});
    addReturn(110000000005, 1, 1, {{QStringLiteral("z005"), 1}});
    const SummaryRow row = rowOf(breakdownRows(connection, 2, Breakdown::Level, 0), QStringLiteral("省级地方工会"));
    EXPECT_EQ(row.values[0], 5);  // count
    EXPECT_EQ(row.values[5], 2);  // z005 = 1
    EXPECT_EQ(row.values[6], 2);  // z005 = 2 or 0; NULL in neither
}

TEST_F(SummaryStatementsTest, WeightedAveragesDivideAsRealsAndLeaveOutNonPositiveUnitCodesOnlyFromBreakdowns) {
    // d017 weighted by d012: (30*1 + 45*1) / 2 = 37.5; the return with d017 0 is left out.
    addReturn(110000000001, 1, 1, {{QStringLiteral("d017"), 30}, {QStringLiteral("d012"), 1}});
    addReturn(110000000002, 1, 1, {{QStringLiteral("d017"), 45}, {QStringLiteral("d012"), 1}});
    addReturn(110000000003, 1, 1, {{QStringLiteral("d017"), 0}, {QStringLiteral("d012"), 50}});
    // A return without a positive unit code: not in the breakdown, but in the total.
    addReturn(0, 1, 1, {{QStringLiteral("d017"), 60}, {QStringLiteral("d012"), 2}, {QStringLiteral("d014"), 100}});

    const SummaryRow row = rowOf(breakdownRows(connection, 21, Breakdown::Level, 0), QStringLiteral("省级地方工会"));
    EXPECT_TRUE(row.values[0].isNull());               // d014 of the return with code 0 is left out
    EXPECT_DOUBLE_EQ(row.values[3].toDouble(), 37.5);  // d017
    // (30 + 45 + 120) / 4
    EXPECT_DOUBLE_EQ(weightedTotals(connection, {21}).at(21).toDouble(), 48.75);
    EXPECT_EQ(weightedTotals(connection, {2, 3}).size(), 0u);

    addReturn(110000000004, 1, 1, {{QStringLiteral("d033"), 40}, {QStringLiteral("x001"), 3}});
    addReturn(110000000005, 1, 1, {{QStringLiteral("d033"), 41}, {QStringLiteral("x001"), 1}});
    // Both sheets' totals come from one pass, each its own.
    const std::map<int, QVariant> both = weightedTotals(connection, {2, 21, 22});
    EXPECT_EQ(both.size(), 2u);
    EXPECT_DOUBLE_EQ(both.at(21).toDouble(), (30 + 45 + 120) / 4.0);
    EXPECT_DOUBLE_EQ(both.at(22).toDouble(), 40.25);
}

TEST_F(SummaryStatementsTest, AllZeroAverageGivesZero) {
    addReturn(110000000001, 1, 1, {{QStringLiteral("d017"), 0}, {QStringLiteral("d012"), 4}});
    addReturn(110000000002, 1, 1, {{QStringLiteral("d017"), 0}, {QStringLiteral("d012"), 0}});
    const SummaryRow row = rowOf(breakdownRows(connection, 21, Breakdown::State, 0), QStringLiteral("正常填报"));
    EXPECT_EQ(row.values[3].toDouble(), 0.0);
    EXPECT_FALSE(row.values[3].isNull());
    EXPECT_EQ(weightedTotals(connection, {21}).at(21).toDouble(), 0.0);
}

TEST_F(SummaryStatementsTest, ReversedOrderTurnsOnlyUpperCaseDirectionWords) {
    EXPECT_EQ(reversedOrder(QStringLiteral("title DESC")), QStringLiteral("title asc"));
    EXPECT_EQ(reversedOrder(QStringLiteral("id ASC")), QStringLiteral("id desc"));
    EXPECT_EQ(reversedOrder(QStringLiteral("title desc")), QStringLiteral("title desc"));
    EXPECT_EQ(reversedOrder(QStringLiteral("title asc")), QStringLiteral("title asc"));
    EXPECT_EQ(reversedOrder(QString()), QStringLiteral("id desc"));
}

TEST_F(SummaryStatementsTest, GroupingRowsFollowTheStoredOrderAndTakeAnyTitle) {
    addReturn(110000000001, 1, 1, {{QStringLiteral("z001"), 3}});
    addReturn(120000000001, 1, 1, {{QStringLiteral("z001"), 4}});
    addReturn(120000000002, 1, 1, {{QStringLiteral("z001"), 5}});
    const qint64 group = AddGrouping(connection, QStringLiteral("按地区"));
    AddGroupItem(connection, group, {QStringLiteral("北京"), 110000000000, QStringLiteral(">="), 120000000000, QStringLiteral("<")});
    AddGroupItem(connection, group, {QStringLiteral("O'Neil 天津"), 120000000000, QStringLiteral(">="), 130000000000, QStringLiteral("<")});
    AddGroupItem(connection, group, {QStringLiteral("河北"), 130000000000, QStringLiteral(">="), 140000000000, QStringLiteral("<")});

    auto labelsAndSums = [&] {
        QStringList shown;
        for (const SummaryRow& row : breakdownRows(connection, 2, Breakdown::Grouping, group))
            shown << row.label + QLatin1Char('=') + row.values[1].toString();
        return shown;
    };
    EXPECT_EQ(labelsAndSums(), (QStringList{QStringLiteral("北京=3"), QStringLiteral("O'Neil 天津=9"), QStringLiteral("河北=")}));
    // A stored order gives the order of the grouping editor's grid, which
    // sorts titles by pinyin and bounds such as "<=" and "<1" as a Chinese reader does.
    const QStringList titles{QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙"), QStringLiteral("丁")};
    for (int i = 0; i < 4; ++i)
        AddGroupItem(connection, group, {titles[i], 100, QStringLiteral(">"), 120000000000 + i * 10000000000,
                                         i % 2 ? QStringLiteral("<=") : QStringLiteral("<")});
    const auto gridOrder = [&](const QString& order) {
        db::RecordSet grid;
        grid.open(connection, groupItemsSql(), {group});
        grid.sort(order);
        QStringList shown;
        for (grid.first(); !grid.atEnd(); grid.next()) shown << grid.text(QStringLiteral("Title"));
        return shown;
    };
    for (const QString& order : {QStringLiteral("Title DESC"), QStringLiteral("Title ASC"), QStringLiteral("HighValue DESC"),
                                 QStringLiteral("HighValue ASC")}) {
        StoreGroupingOrder(connection, group, order);
        QStringList labels;
        for (const SummaryRow& row : breakdownRows(connection, 2, Breakdown::Grouping, group)) labels << row.label;
        EXPECT_EQ(labels, gridOrder(order)) << order.toStdString();
    }
    // A hand-made order that is not a list of columns is not put into the query.
    connection.execute(QStringLiteral("UPDATE ct_group SET orderstr='id; DROP TABLE dt_data' WHERE id=?"), {group});
    EXPECT_EQ(labelsAndSums().size(), 7);
    EXPECT_TRUE(connection.hasTable(QStringLiteral("dt_data")));
}

TEST_F(SummaryStatementsTest, GroupingItemWithForgedBoundIsRefused) {
    const qint64 group = AddGrouping(connection, QStringLiteral("按地区"));
    connection.execute(QStringLiteral("INSERT INTO DT_GroupItem(GroupID, Title, LowBoundary, HighBoundary, LowSymbol, HighSymbol) "
                                      "VALUES(?, '坏', 1, 2, '>0 or 1=1 --', '<')"), {group});
    EXPECT_THROW(breakdownRows(connection, 2, Breakdown::Grouping, group), db::Error);
}

} // namespace
