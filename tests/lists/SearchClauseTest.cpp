#include "db/Connection.h"
#include "lists/SearchClause.h"
#include "support/TestSupport.h"

namespace {

CodeRangeInput codeRange(const QString& op1, const QString& number1, int connector, const QString& op2, const QString& number2) {
    return {op1, number1, connector, op2, number2};
}

IndicatorInput indicator(const QString& field, const QString& op1, const QString& number1, const QString& op2,
                         const QString& number2) {
    return {field, op1, number1, op2, number2};
}

void expectRefused(const SearchClause& clause, const QString& message, SearchInput focus) {
    EXPECT_FALSE(clause.accepted());
    EXPECT_EQ(clause.message, message);
    EXPECT_EQ(clause.focus, focus);
    EXPECT_TRUE(clause.clause.isEmpty());
}

} // namespace

TEST(SearchClauseTest, CodeRangeJoinsTheGivenConditionsOnTheUnitCode) {
    EXPECT_EQ(CodeRangeClause(codeRange(">=", "110101000001", 1, "<=", "110101000009")).clause,
              QStringLiteral("where c901>=110101000001 AND c901<=110101000009"));
    EXPECT_EQ(CodeRangeClause(codeRange("=", "110101000001", 2, "=", "110101000003")).clause,
              QStringLiteral("where c901=110101000001 OR c901=110101000003"));
    // Only number 2: one condition with operator 2, the connector unused.
    EXPECT_EQ(CodeRangeClause(codeRange(">", " ", 2, "<", "110101000005")).clause, QStringLiteral("where c901<110101000005"));
    EXPECT_EQ(CodeRangeClause(codeRange(">", "110101000005", 2, "<", "")).clause, QStringLiteral("where c901>110101000005"));
    // A whole number in the general format: no leading zeros.
    EXPECT_EQ(CodeRangeClause(codeRange("=", "00012", 1, "=", "")).clause, QStringLiteral("where c901=12"));
}

TEST(SearchClauseTest, CodeRangeRefusesMissingOrNonNumericInput) {
    expectRefused(CodeRangeClause(codeRange("=", "  ", 1, "=", "")), QStringLiteral("请至少输入一个条件"), SearchInput::Number1);
    expectRefused(CodeRangeClause(codeRange("=", "1 OR 1=1", 1, "=", "")), QStringLiteral("请输入数字"), SearchInput::Number1);
    expectRefused(CodeRangeClause(codeRange("=", "1", 1, "=", "2;drop")), QStringLiteral("请输入数字"), SearchInput::Number2);
}

TEST(SearchClauseTest, IndicatorAsksForTheFieldThenForAConditionInThatOrder) {
    expectRefused(IndicatorClause(indicator(" ", ">", "5", "", "")), QStringLiteral("请选择指标"), SearchInput::Field);
    expectRefused(IndicatorClause(indicator("z001", ">", " ", "<", "")), QStringLiteral("请至少输入一个条件"), SearchInput::Number1);
}

TEST(SearchClauseTest, IndicatorOnTheUnitCodeNeedsTwelveDigits) {
    expectRefused(IndicatorClause(indicator("c901", ">=", "11010100000", "", "")), QStringLiteral("c901必须为12位"),
                  SearchInput::Number1);
    expectRefused(IndicatorClause(indicator("c901", ">=", "110101000001", "<=", "1101010000012")),
                  QStringLiteral("c901必须为12位"), SearchInput::Number2);
    EXPECT_EQ(IndicatorClause(indicator("c901", ">=", "110101000001", "<=", "110101000002")).clause,
              QStringLiteral("where c901>=110101000001 and c901<=110101000002"));
    // Other fields take any length.
    EXPECT_TRUE(IndicatorClause(indicator("z001", ">=", "1", "", "")).accepted());
}

TEST(SearchClauseTest, IndicatorBuildsOneConditionPerChosenOperator) {
    EXPECT_EQ(IndicatorClause(indicator("z001", ">", "5", "", "")).clause, QStringLiteral("where z001>5"));
    // Only operator 2: the single second condition, without " and ".
    EXPECT_EQ(IndicatorClause(indicator("z001", "", "", "<", "7")).clause, QStringLiteral("where z001<7"));
    EXPECT_EQ(IndicatorClause(indicator(" z001 ", ">=", " 5 ", "<=", "70")).clause, QStringLiteral("where z001>=5 and z001<=70"));
}

TEST(SearchClauseTest, IndicatorRefusesAnOperatorWithoutNumberAndANumberWithoutOperator) {
    expectRefused(IndicatorClause(indicator("z001", ">", "", "<", "7")), QStringLiteral("请输入第一个条件的数值"),
                  SearchInput::Number1);
    expectRefused(IndicatorClause(indicator("z001", ">", "5", "<", " ")), QStringLiteral("请输入第二个条件的数值"),
                  SearchInput::Number2);
    expectRefused(IndicatorClause(indicator("z001", "", "5", "", "")), QStringLiteral("请选择第一个条件的比较符"),
                  SearchInput::Operator1);
    expectRefused(IndicatorClause(indicator("z001", ">", "5", "", "7")), QStringLiteral("请选择第二个条件的比较符"),
                  SearchInput::Operator2);
    expectRefused(IndicatorClause(indicator("z001", ">", "5 or 1=1", "", "")), QStringLiteral("请输入数字"), SearchInput::Number1);
}

TEST(SearchClauseTest, ClausesSelectTheirRecordsInTheEngine) {
    test::TempFolder folder;
    db::Connection connection;
    connection.open(folder.copyOfSystemDataFile());
    for (int i = 1; i <= 9; ++i)
        connection.execute(QStringLiteral("INSERT INTO dt_data(c901, c902, z001) VALUES (?, ?, ?)"),
                           {qint64(110101000000) + i, QStringLiteral("单位%1").arg(i), i * 10});
    auto count = [&](const SearchClause& clause) {
        EXPECT_TRUE(clause.accepted()) << clause.message.toStdString();
        return connection.scalar(QStringLiteral("SELECT count(*) from view_data_all ") + clause.clause).toInt();
    };
    EXPECT_EQ(count(CodeRangeClause(codeRange(">=", "110101000003", 1, "<=", "110101000006"))), 4);
    EXPECT_EQ(count(CodeRangeClause(codeRange("<", "110101000003", 2, ">", "110101000008"))), 3);
    EXPECT_EQ(count(CodeRangeClause(codeRange("=", "", 1, ">", "110101000007"))), 2);
    EXPECT_EQ(count(IndicatorClause(indicator("z001", ">", "20", "<=", "50"))), 3);
    EXPECT_EQ(count(IndicatorClause(indicator("c901", "", "", "=", "110101000009"))), 1);
}
