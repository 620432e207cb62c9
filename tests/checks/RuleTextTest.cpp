#include "checks/RuleText.h"

#include "CheckTestSupport.h"

namespace {

const QString z001 = QStringLiteral("[所辖工会在职会员(人)]");
const QString z002 = QStringLiteral("[其中：女性在职会员(人)]");
const QString z003 = QStringLiteral("[所辖工会保留会籍的离退休会员(人)]");
const QString z004 = QStringLiteral("[其中：女性离退休会员(人)]");

using RuleText = test::CheckDatabase;

} // namespace

TEST_F(RuleText, MarkedOperatorsBecomeWordsAndFieldNamesTheirCaptions) {
    EXPECT_EQ(Parse(db(), QStringLiteral("z002 [<=] z001")), z002 + QStringLiteral(" 不能大于 ") + z001);
    EXPECT_EQ(Parse(db(), QStringLiteral("z004[<=]z003")), z004 + QStringLiteral("不能大于") + z003);
    EXPECT_EQ(Parse(db(), QStringLiteral("z001[>=]z002[<]z003[>]z004")),
              z001 + QStringLiteral("不能小于") + z002 + QStringLiteral("必须小于") + z003 + QStringLiteral("必须大于") + z004);
    // [<>] loses its brackets only; "and" names no field and stays.
    EXPECT_EQ(Parse(db(), QStringLiteral("(z001 [<>] 1 and z002 + z003[=]0)")),
              QStringLiteral("(") + z001 + QStringLiteral(" <> 1 and ") + z002 + QStringLiteral(" + ") + z003
                  + QStringLiteral("必须等于0)"));
    // Operators outside brackets are copied.
    EXPECT_EQ(Parse(db(), QStringLiteral("z001>0 and z002[>]0")),
              z001 + QStringLiteral(">0 and ") + z002 + QStringLiteral("必须大于0"));
    // Chinese text ends a field name and is kept whole; a bracketed field name renders like a bare one.
    EXPECT_EQ(Parse(db(), QStringLiteral("如果z003=0,那么[z004][=]0")),
              QStringLiteral("如果") + z003 + QStringLiteral("=0,那么") + z004 + QStringLiteral("必须等于0"));
    EXPECT_EQ(Parse(db(), QStringLiteral("d026+d031+1[<=]x999")),
              QStringLiteral("[专职副主席(人)]+[经费审查委员会专职主任(人)]+1不能大于x999"));
    EXPECT_EQ(Parse(db(), QStringLiteral("（１＋２）=3，不变")), QStringLiteral("（１＋２）=3，不变"));
}

TEST_F(RuleText, ParseKeyRendersOneTermWithOrWithoutBrackets) {
    EXPECT_EQ(ParseKey(db(), QStringLiteral("[z001]")), z001);
    EXPECT_EQ(ParseKey(db(), QStringLiteral("Z001")), z001);
    EXPECT_EQ(ParseKey(db(), QStringLiteral("[<=]")), QStringLiteral("不能大于"));
    EXPECT_EQ(ParseKey(db(), QStringLiteral(">=")), QStringLiteral("不能小于"));
    EXPECT_EQ(ParseKey(db(), QStringLiteral("[<>]")), QStringLiteral("<>"));
    EXPECT_EQ(ParseKey(db(), QStringLiteral("or")), QStringLiteral("or"));
    EXPECT_TRUE(test::prompts().messages.isEmpty());
}

TEST_F(RuleText, TheCaptionsFollowTheDatabaseAfterItWasClosed) {
    EXPECT_EQ(ParseKey(db(), QStringLiteral("z001")), z001);
    workingDatabase().connection.close();

    // Without a database a field name stays as written, with the message; operators still render.
    EXPECT_EQ(Parse(db(), QStringLiteral("z002 [<=] z001")), QStringLiteral("z002 不能大于 z001"));
    EXPECT_EQ(test::prompts().messages,
              (QStringList{QStringLiteral("运行中发生错误：数据库没有打开,当前的Key为z002"),
                           QStringLiteral("运行中发生错误：数据库没有打开,当前的Key为z001")}));

    {
        db::Connection file;
        file.open(folder.path(systemDataFileName()));
        file.execute(QStringLiteral("UPDATE DT_FieldList SET Hint='在职会员' WHERE FieldName='z001'"));
    }
    ASSERT_TRUE(OpenSurveyDatabase());
    EXPECT_EQ(ParseKey(db(), QStringLiteral("z001")), QStringLiteral("[在职会员]"));
}
