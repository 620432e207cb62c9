#include "db/Connection.h"
#include "entry/CoverRules.h"
#include "support/TestSupport.h"

namespace {

class CoverRulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        connection.open(folder.copyOfSystemDataFile());
        connection.execute(QStringLiteral("INSERT INTO dt_data(c901, c902) VALUES (110101000001, '已有单位')"));
        levels = LoadCodeList(connection, QStringLiteral("CT_LevelCode"));
        states = LoadCodeList(connection, QStringLiteral("CT_state"));
    }
    // A cover that passes every rule.
    static CoverValues valid() {
        return {QStringLiteral("110101000002"), QStringLiteral("东城区总工会"), 110101, 3, 1, QStringLiteral("张三"),
                QStringLiteral("010-12345678")};
    }
    QString failure(const CoverValues& cover, qint64 current = 0, bool add = true) {
        const auto f = CheckCover(connection, cover, levels, states, current, add);
        return f ? f->field + QLatin1Char(':') + f->message : QString();
    }
    test::TempFolder folder;
    db::Connection connection;
    TMenuItemDataArray levels, states;
};

} // namespace

TEST_F(CoverRulesTest, EachRuleHasItsMessageAndField) {
    EXPECT_EQ(failure(valid()), QString());
    const struct {
        void (*change)(CoverValues&);
        const char16_t* expected;
    } cases[] = {
        {[](CoverValues& c) { c.code.clear(); }, u"c901:必须输入工会统计编码"},
        {[](CoverValues& c) { c.code = QStringLiteral("11010100000"); }, u"c901:本级工会编码必须大于100000000000且必须为12位!"},
        {[](CoverValues& c) { c.code = QStringLiteral("110101000001"); },
         u"c901:在增加数据时，填写的本级工会编码为110101000001，该编码的数据已经存在，请改用其它编码。"},
        {[](CoverValues& c) { c.name = QStringLiteral("   "); }, u"c902:必须输入本级工会名称"},
        {[](CoverValues& c) { c.division = 110199; }, u"c903:输入的行政区划代码错误，请重新输入，或用对话框选择"},
        {[](CoverValues& c) { c.level = 0; }, u"c904:输入的本级工会层次代码不合法，请重新输入或通过列表选择"},
        {[](CoverValues& c) { c.state = 0; }, u"c907:输入的基层以上工会本年度的填报状态代码不合法，请重新输入或通过列表选择"},
        {[](CoverValues& c) { c.filler = QStringLiteral(" "); }, u"c905:必须输入填表人"},
        {[](CoverValues& c) { c.filler = QStringLiteral("张三3"); }, u"c905:填表人必须为汉字"},
        {[](CoverValues& c) { c.telephone.clear(); }, u"c906:必须输入联系电话"},
        {[](CoverValues& c) { c.telephone = QStringLiteral("0101234567"); }, u"c906:联系电话必须是真实有效的7位、8位(可加区号)或11位!"},
    };
    for (const auto& c : cases) {
        CoverValues cover = valid();
        c.change(cover);
        EXPECT_EQ(failure(cover), QString::fromUtf16(c.expected));
    }
}

TEST_F(CoverRulesTest, ACodeOfTwelveDigitsPassesWhateverItsValue) {
    CoverValues cover = valid();
    cover.code = QStringLiteral("000000000123");
    EXPECT_EQ(failure(cover), QString());
    cover.code = QStringLiteral("123456789012");
    EXPECT_EQ(failure(cover), QString());
}

TEST_F(CoverRulesTest, AnExistingCodePassesOnlyForItsOwnRecord) {
    CoverValues cover = valid();
    cover.code = QStringLiteral("110101000001");
    EXPECT_EQ(failure(cover, 110101000001, false), QString());
    const auto f = CheckCover(connection, cover, levels, states, 110101000003, false);
    ASSERT_TRUE(f.has_value());
    EXPECT_TRUE(f->duplicateCode);
    EXPECT_EQ(f->message, QStringLiteral("在修改数据时，将本级工会编码改为110101000001，该编码的数据已经存在，请改用其它编码。"));
}

TEST(CoverRules, TelephoneLengths) {
    for (const char* ok : {"010-1234567", "01012345678", "12345678", "1234567", "13912345678", "0755-12345678", "010-12345678"})
        EXPECT_TRUE(TelephoneLengthOk(QLatin1String(ok))) << ok;
    for (const char* bad : {"0101234567", "123456", "123456789", "0755-1234", "01-12345678901", "1234567890123"})
        EXPECT_FALSE(TelephoneLengthOk(QLatin1String(bad))) << bad;
}

TEST(CoverRules, FillerMustBeChinese) {
    EXPECT_FALSE(HasLatinOrDigit(QStringLiteral("张三")));
    EXPECT_TRUE(HasLatinOrDigit(QStringLiteral("张三3")));
    EXPECT_TRUE(HasLatinOrDigit(QStringLiteral("Zhang")));
    EXPECT_FALSE(HasLatinOrDigit(QStringLiteral("ＺＨＡＮＧ")));  // full-width letters pass
    EXPECT_FALSE(HasLatinOrDigit(QStringLiteral("欧阳·娜 ")));
}
