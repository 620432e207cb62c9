#include "db/Connection.h"
#include "entry/CodeList.h"
#include "support/TestSupport.h"

namespace {

class CodeListTest : public ::testing::Test {
protected:
    void SetUp() override { connection.open(folder.copyOfSystemDataFile()); }
    test::TempFolder folder;
    db::Connection connection;
};

} // namespace

TEST_F(CodeListTest, ListsLeaveOutCodeZeroAndFollowTheDisplayOrder) {
    connection.execute(QStringLiteral("UPDATE CT_state SET Sequence = 100 - ID"));
    const TMenuItemDataArray states = LoadCodeList(connection, QStringLiteral("CT_state"));
    ASSERT_FALSE(states.empty());
    for (const TCode& entry : states) EXPECT_NE(entry.code, 0);
    for (size_t i = 1; i < states.size(); ++i) EXPECT_GT(states[i - 1].code, states[i].code);
    // A new record's state 0 has no name until one is picked.
    EXPECT_EQ(FindCodeName(states, 0), QString());
    EXPECT_EQ(FindCodeName(states, states.front().code), states.front().name);
    EXPECT_EQ(FindCodeId(states, states.back().name), states.back().code);
    EXPECT_EQ(FindCodeId(states, states.back().name + QStringLiteral(" ")), 0);
    EXPECT_THROW(LoadCodeList(connection, QStringLiteral("no_table")), db::Error);
}

TEST_F(CodeListTest, DivisionNamesAndParts) {
    EXPECT_EQ(LookupDivisionName(connection, 130102), QStringLiteral("河北省石家庄市长安区"));
    EXPECT_EQ(LookupDivisionName(connection, 130100), QStringLiteral("河北省石家庄市"));
    EXPECT_EQ(LookupDivisionName(connection, 999999), QString());
    EXPECT_EQ(LookupDivisionName(connection, 0), QString());
    // Short codes never reach the database, which may even be closed.
    connection.close();
    EXPECT_EQ(LookupDivisionName(connection, 99999), QString());
    EXPECT_TRUE(test::prompts().messages.isEmpty());
    // An engine error is reported and counts as no name.
    EXPECT_EQ(LookupDivisionName(connection, 130102), QString());
    ASSERT_EQ(test::prompts().messages.size(), 1);
    EXPECT_TRUE(test::prompts().messages[0].startsWith(QStringLiteral("运行中发生错误：")));
    EXPECT_TRUE(test::prompts().messages[0].endsWith(QStringLiteral(",请与系统管理员或软件发行者联系。")));

    const DivisionParts parts = SplitDivisionCode(130102);
    EXPECT_EQ(parts.province, 13);
    EXPECT_EQ(parts.prefecture, 1);
    EXPECT_EQ(parts.county, 2);
}
