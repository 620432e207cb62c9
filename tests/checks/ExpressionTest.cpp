#include "checks/Expression.h"
#include "db/Connection.h"
#include "support/TestSupport.h"

#include <QHash>

namespace {

FieldValueLookup values(const QHash<QString, double>& fields) {
    return [fields](const QString& name) -> std::optional<double> {
        const auto it = fields.constFind(name.toLower());
        if (it == fields.constEnd()) return std::nullopt;
        return it.value();
    };
}

} // namespace

TEST(Expression, SubstitutesFieldsWithWholeNumbersRoundedHalfToEven) {
    const auto lookup = values({{QStringLiteral("z001"), 5}, {QStringLiteral("z002"), 3}, {QStringLiteral("b016"), 2.5},
                                {QStringLiteral("b018"), 3.5}, {QStringLiteral("y001"), -2.5}});
    EXPECT_EQ(SubstituteFieldValues(QStringLiteral("z002 <= z001"), lookup), QStringLiteral("3 <= 5"));
    EXPECT_EQ(SubstituteFieldValues(QStringLiteral("NOT (Z002 <= z001)"), lookup), QStringLiteral("NOT (3 <= 5)"));
    EXPECT_EQ(SubstituteFieldValues(QStringLiteral("b016+b018>y001"), lookup), QStringLiteral("2+4>-2"));
    EXPECT_EQ(SubstituteFieldValues(QStringLiteral("z001 > 1.5 and z002"), lookup), QStringLiteral("5 > 1.5 and 3"));
    EXPECT_TRUE(test::prompts().messages.isEmpty());
}

TEST(Expression, AWordNamingNoFieldIsReportedAndLeftOut) {
    const auto lookup = values({{QStringLiteral("z001"), 1}});
    EXPECT_EQ(SubstituteFieldValues(QStringLiteral("z001 > zz99 or zz99"), lookup), QStringLiteral("1 >  or "));
    EXPECT_EQ(test::prompts().messages,
              (QStringList{QStringLiteral("Control name parse error : zz99"), QStringLiteral("Control name parse error : zz99")}));
}

TEST(Expression, TheEngineDecidesWhetherTheRuleIsBroken) {
    test::TempFolder folder;
    db::Connection connection;
    connection.open(folder.copyOfSystemDataFile());
    const auto zeros = values({{QStringLiteral("z001"), 0}, {QStringLiteral("z003"), 0}});
    EXPECT_FALSE(EvaluateExpression(connection, QStringLiteral("z001 + z003 > 0"), zeros));
    EXPECT_TRUE(EvaluateExpression(connection, QStringLiteral("NOT (z001 + z003 > 0)"), zeros));
    // A sum is no truth value: only 1 counts as broken.
    EXPECT_FALSE(EvaluateExpression(connection, QStringLiteral("z001 + 2"), zeros));
    EXPECT_THROW(EvaluateExpression(connection, QStringLiteral("z001 > nofield"), zeros), db::Error);
}
