#include "checks/BuiltinRules.h"

#include "CheckTestSupport.h"
#include "db/Statement.h"

#include <algorithm>
#include <random>

namespace {

int column(const char* name) {
    const auto& names = ruleColumnNames();
    const auto it = std::find(names.begin(), names.end(), QLatin1String(name));
    EXPECT_NE(it, names.end()) << name;
    return int(it - names.begin());
}

RuleValues valuesOf(std::initializer_list<std::pair<const char*, long double>> given) {
    RuleValues values{};
    for (const auto& [name, value] : given) values[size_t(column(name))] = value;
    return values;
}

// The numbers of the rules that `values` break, in order.
QList<int> brokenRules(const RuleValues& values) {
    QList<int> numbers;
    for (const BuiltinRule& rule : builtinRules())
        if (rule.broken(values)) numbers << rule.number;
    return numbers;
}

bool breaks(int number, std::initializer_list<std::pair<const char*, long double>> given) {
    return builtinRules()[size_t(number - 1)].broken(valuesOf(given));
}

class BuiltinRulesTest : public test::CheckDatabase {
protected:
    // Runs the rule set over one record as the batch check does; returns the
    // lines it wrote into the results file.
    QStringList check(const RuleValues& values, bool* passed) {
        const QString path = folder.path(QStringLiteral("results.txt"));
        {
            TextFileWriter file(path, TextFileWriter::Mode::Truncate);
            CheckRunState& state = checkRunState();
            state = {};
            state.unitCode = 110101000123.0;
            state.unitName = QStringLiteral("东城区总工会");
            state.results = &file;
            state.connection = &db();
            *passed = CheckBuiltinRules(values);
            state.results = nullptr;
        }
        QStringList lines = decodeGb18030(test::readAll(path)).split(QStringLiteral("\r\n"));
        lines.removeLast();
        return lines;
    }
};

} // namespace

TEST_F(BuiltinRulesTest, AnEmptyRecordBreaksOnlyTheMembershipRuleAboveLevelThree) {
    EXPECT_EQ(brokenRules(valuesOf({{"c904", 4}})), QList<int>{1});
    EXPECT_EQ(brokenRules(valuesOf({{"c904", 3}})), (QList<int>{1, 7, 84, 86, 89}));

    bool passed = true;
    const QStringList lines = check(valuesOf({{"c904", 10}}), &passed);
    EXPECT_FALSE(passed);
    EXPECT_EQ(lines, (QStringList{QStringLiteral("110101000123  东城区总工会的数据有错误"), QString(80, u'-'),
                                  QStringLiteral("  判断规则：z001 + z003 > 0"),
                                  QStringLiteral("  规则说明：[所辖工会在职会员(人)] + [所辖工会保留会籍的离退休会员(人)] 必须大于 0"),
                                  QString()}));
    EXPECT_EQ(checkRunState().findingsCount, 1);

    // Five findings under one unit header.
    EXPECT_EQ(check(valuesOf({{"c904", 3}}), &passed).size(), 2 + 5 * 3);
    EXPECT_EQ(checkRunState().findingsCount, 5);

    EXPECT_TRUE(check(valuesOf({{"c904", 10}, {"z001", 1}}), &passed).isEmpty());
    EXPECT_TRUE(passed);
}

TEST_F(BuiltinRulesTest, RuleTwelveAllowsAtMostOneOfFourAnswersToBeYes) {
    EXPECT_FALSE(breaks(12, {}));
    for (const char* yes : {"x004", "x005", "x006", "x007"}) EXPECT_FALSE(breaks(12, {{yes, 1}})) << yes;
    EXPECT_FALSE(breaks(12, {{"x004", 1}, {"x005", 2}, {"x006", 2}, {"x007", 2}}));
    EXPECT_TRUE(breaks(12, {{"x004", 1}, {"x005", 1}}));
    EXPECT_TRUE(breaks(12, {{"x005", 1}, {"x006", 1}, {"x007", 1}}));
}

TEST_F(BuiltinRulesTest, RuleSixtySevenComparesWithZ008AndShowsItsRuleText) {
    EXPECT_TRUE(breaks(67, {{"s009", 5}, {"z008", 3}, {"s008", 10}}));
    EXPECT_FALSE(breaks(67, {{"s009", 5}, {"z008", 9}, {"s008", 1}}));
    bool passed = true;
    const QStringList lines = check(
        valuesOf({{"c904", 10}, {"z001", 20}, {"s004", 1}, {"s007", 1}, {"s008", 10}, {"s009", 5}, {"z008", 3}}), &passed);
    EXPECT_EQ(lines.filter(QStringLiteral("判断规则")), QStringList{QStringLiteral("  判断规则：s009<=s008")});
}

TEST_F(BuiltinRulesTest, DecimalColumnsCompareInFloatingPoint) {
    EXPECT_FALSE(breaks(30, {{"b015", 2}, {"b016", 2.5L}}));
    EXPECT_TRUE(breaks(30, {{"b015", 2}, {"b016", 2}}));
    EXPECT_FALSE(breaks(98, {{"y008", 1}, {"y009", 2}, {"y010", 0.5L}, {"y012", 2}}));
}

TEST_F(BuiltinRulesTest, SumsAndProductsPastThirtyTwoBitsDoNotWrapAround) {
    // 2^31 - 1 + 1 wraps to a negative number in 32 bits.
    EXPECT_FALSE(breaks(1, {{"z001", 2147483647}, {"z003", 1}}));
    // 65536 * 65536 wraps to 0 in 32 bits.
    EXPECT_FALSE(breaks(11, {{"x001", 65536}, {"x003", 65536}}));
    // The entry form takes counts of up to 14 digits.
    EXPECT_FALSE(breaks(2, {{"z001", 99999999999999}, {"z002", 99999999999998}}));
    EXPECT_TRUE(breaks(2, {{"z001", 99999999999998}, {"z002", 99999999999999}}));
    EXPECT_FALSE(breaks(38, {{"b030", 99999999999999}, {"b031", 99999999999999}}));
}

TEST_F(BuiltinRulesTest, ValuesAreReadAsTheirColumnsAreTyped) {
    db::Connection& connection = workingDatabase().connection;
    test::addRecord(110101000001, {{"c904", 3}, {"b016", 2.5}, {"x001", 2.5}, {"x002", 3.5}, {"x003", QStringLiteral("7")}});
    db::Statement rows(connection, QStringLiteral("select dt_data.* from dt_data"));
    const RuleValueReader reader(rows);
    ASSERT_TRUE(rows.next());
    RuleValues values;
    reader.read(values);
    EXPECT_EQ(values[size_t(column("c901"))], 110101000001.0L);
    EXPECT_EQ(values[size_t(column("c904"))], 3);
    EXPECT_EQ(values[size_t(column("b016"))], 2.5L);
    EXPECT_EQ(values[size_t(column("x001"))], 2);  // halves go to the even neighbour
    EXPECT_EQ(values[size_t(column("x002"))], 4);
    EXPECT_EQ(values[size_t(column("x003"))], 7);
    EXPECT_EQ(values[size_t(column("z001"))], 0);  // NULL

    connection.execute(QStringLiteral("CREATE TABLE narrow AS SELECT c901, c902, z001 FROM dt_data"));
    db::Statement narrow(connection, QStringLiteral("select * from narrow"));
    try {
        RuleValueReader missing(narrow);
        ADD_FAILURE() << "a missing column must be reported";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("找不到字段：c904"));
    }
}

TEST_F(BuiltinRulesTest, TheRulesCarryThePagesFociAndTextsOfTheRuleTable) {
    db::Statement table(workingDatabase().connection,
                        QStringLiteral("SELECT ID, page_id, focus, rule, explain FROM dt_logic ORDER BY ID"));
    const auto rules = builtinRules();
    ASSERT_EQ(rules.size(), 98u);
    for (const BuiltinRule& rule : rules) {
        ASSERT_TRUE(table.next());
        const int number = int(table.integer(0));
        EXPECT_EQ(rule.number, number);
        EXPECT_EQ(rule.page, table.integer(1)) << number;
        EXPECT_EQ(rule.focus.toString(), table.text(2)) << number;
        EXPECT_EQ(rule.rule.toString(), table.text(3)) << number;
        EXPECT_EQ(rule.explain.toString(), table.text(4)) << number;
    }
    EXPECT_FALSE(table.next());
}

// The compiled rules and the rule table's expressions, evaluated by the engine
// as the page checks evaluate them, give the same verdict for every rule on
// every record: whole numbers whose sums and products stay within 32 bits, and
// a share of small ones so that zero sums, equalities and yes/no codes occur.
TEST_F(BuiltinRulesTest, CompiledRulesAgreeWithTheRuleTableEvaluatedByTheEngine) {
    db::Connection& connection = workingDatabase().connection;
    const auto& names = ruleColumnNames();
    std::mt19937 random(2019);
    auto pick = [&](int high) { return std::uniform_int_distribution<int>(0, high)(random); };
    constexpr int kRecords = 3000;
    {
        QStringList columns;
        for (size_t i = 1; i < names.size(); ++i) columns << names[i];
        db::Transaction transaction(connection);
        db::Statement insert(connection, QStringLiteral("INSERT INTO dt_data(c901, %1) VALUES(?%2)")
                                             .arg(columns.join(u','), QStringLiteral(",?").repeated(columns.size())));
        constexpr int kScales[] = {1, 2, 3, 30, 40000};
        for (int r = 0; r < kRecords; ++r) {
            const int scale = kScales[pick(4)];
            insert.bind(1, qint64(110101000000) + r);
            insert.bind(2, 1 + pick(13));  // c904
            for (int i = 2; i < int(names.size()); ++i) insert.bind(i + 1, pick(scale));
            insert.run();
        }
        transaction.commit();
    }

    std::vector<RuleValues> records;
    db::Statement rows(connection, QStringLiteral("SELECT * FROM dt_data ORDER BY c901"));
    const RuleValueReader reader(rows);
    while (rows.next()) reader.read(records.emplace_back());
    ASSERT_EQ(records.size(), size_t(kRecords));

    db::Statement expressions(connection, QStringLiteral("SELECT ID, expression FROM dt_logic ORDER BY ID"));
    for (const BuiltinRule& rule : builtinRules()) {
        ASSERT_TRUE(expressions.next());
        const int number = int(expressions.integer(0));
        db::Statement engine(connection, QStringLiteral("SELECT (%1) = 1 FROM dt_data ORDER BY c901").arg(expressions.text(1)));
        int brokenCount = 0;
        for (size_t r = 0; r < records.size(); ++r) {
            ASSERT_TRUE(engine.next());
            const bool broken = rule.broken(records[r]);
            ASSERT_EQ(broken, engine.integer(0) == 1) << "rule " << number << ", record " << r;
            brokenCount += broken;
        }
        // Both verdicts occur, so the comparison says something about every rule.
        EXPECT_GT(brokenCount, 0) << "rule " << number;
        EXPECT_LT(brokenCount, kRecords) << "rule " << number;
    }
}
