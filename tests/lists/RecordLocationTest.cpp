#include "lists/RecordLocation.h"

#include "ListsTestSupport.h"
#include "db/RecordSet.h"

namespace {

const QString kNotFound = QStringLiteral("没有找到满足条件的数据");

// Records whose names hold the characters a pattern could take for wildcards.
class RecordLocationTest : public ::testing::Test {
protected:
    void SetUp() override {
        connection.open(test::surveyFileWithRecords(
            folder, 6,
            {QStringLiteral("甲X公司工会"), QStringLiteral("甲%公司工会"), QStringLiteral("乙Y会"), QStringLiteral("乙_会"),
             QStringLiteral("O'Neil工会"), QStringLiteral("丙工会")}));
        list.openKeyed(connection, recordListSql(), QStringLiteral("c901"));
    }
    // The record the list stands on, 1 for the first added.
    int currentRecord() { return int(list.integer(QStringLiteral("c901")) - test::kFirstCode + 1); }

    test::TempFolder folder;
    db::Connection connection;
    db::RecordSet list;
};

} // namespace

TEST_F(RecordLocationTest, ACodeMustHaveTwelveDigitsAndBeInTheList) {
    list.last();
    EXPECT_EQ(LocateRecordByCode(list, QStringLiteral("11010100000")), LocateOutcome::CodeNotTwelveDigits);
    EXPECT_EQ(LocateRecordByCode(list, QString()), LocateOutcome::CodeNotTwelveDigits);
    EXPECT_EQ(test::prompts().messages, (QStringList{QStringLiteral("编码必须为12位"), QStringLiteral("编码必须为12位")}));
    EXPECT_EQ(LocateRecordByCode(list, QStringLiteral("110101000099")), LocateOutcome::NotFound);
    EXPECT_EQ(test::prompts().messages.last(), kNotFound);
    EXPECT_EQ(currentRecord(), 6);

    EXPECT_EQ(LocateRecordByCode(list, QStringLiteral("110101000003")), LocateOutcome::Found);
    EXPECT_EQ(currentRecord(), 3);
    EXPECT_EQ(test::prompts().messages.size(), 3);
}

TEST_F(RecordLocationTest, WildcardCharactersInANameMatchThemselves) {
    EXPECT_EQ(LocateRecordByName(connection, list, QStringLiteral("%")), LocateOutcome::Found);
    EXPECT_EQ(currentRecord(), 2);
    EXPECT_EQ(LocateRecordByName(connection, list, QStringLiteral(" 乙_ ")), LocateOutcome::Found);
    EXPECT_EQ(currentRecord(), 4);
    EXPECT_EQ(LocateRecordByName(connection, list, QStringLiteral("O'Neil")), LocateOutcome::Found);
    EXPECT_EQ(currentRecord(), 5);
    EXPECT_TRUE(test::prompts().messages.isEmpty());

    EXPECT_EQ(LocateRecordByName(connection, list, QStringLiteral("%公司_")), LocateOutcome::NotFound);
    EXPECT_EQ(LocateRecordByName(connection, list, QStringLiteral("\\")), LocateOutcome::NotFound);
    EXPECT_EQ(test::prompts().messages, (QStringList{kNotFound, kNotFound}));
    EXPECT_EQ(currentRecord(), 5);
}

TEST_F(RecordLocationTest, ANameOfSeveralRecordsGoesToTheFirstTheDatabaseReturns) {
    // The list shows the highest code first; the database still returns the lowest first.
    list.sort(QStringLiteral("c901 DESC"));
    EXPECT_EQ(LocateRecordByName(connection, list, QStringLiteral("工会")), LocateOutcome::Found);
    EXPECT_EQ(currentRecord(), 1);
    EXPECT_EQ(LocateRecordByName(connection, list, QStringLiteral("乙")), LocateOutcome::Found);
    EXPECT_EQ(currentRecord(), 3);
}

TEST_F(RecordLocationTest, ARecordMissingFromTheListIsNotFound) {
    connection.execute(QStringLiteral("INSERT INTO dt_data(c901, c902) VALUES (110101000100, '丁工会')"));
    EXPECT_EQ(LocateRecordByName(connection, list, QStringLiteral("丁")), LocateOutcome::NotFound);
    EXPECT_EQ(LocateRecordByCode(list, QStringLiteral("110101000100")), LocateOutcome::NotFound);
    EXPECT_EQ(test::prompts().messages, (QStringList{kNotFound, kNotFound}));
}

TEST_F(RecordLocationTest, ANameIsFoundByTheInitialsOrTheFullPinyinOfItsCharacters) {
    const QStringList names{QStringLiteral("北京市总工会"), QStringLiteral("重庆市总工会"), QStringLiteral("长春市总工会"),
                            QStringLiteral("厦门市总工会")};
    for (int i = 0; i < names.size(); ++i)
        connection.execute(QStringLiteral("INSERT INTO dt_data(c901, c902) VALUES (?, ?)"), {test::kFirstCode + 6 + i, names[i]});
    list.requery();
    auto foundAt = [&](const QString& typed) {
        return LocateRecordByName(connection, list, typed) == LocateOutcome::Found ? currentRecord() : 0;
    };
    // Initials, full pinyin, blanks and case; the place names' polyphones in
    // their place reading and in the transliteration's.
    const std::pair<const char*, int> typedAndFound[]{
        {"bjszgh", 7}, {"beijing", 7}, {"Bei Jing", 7}, {"BJS", 7}, {"chongqing", 8}, {"cqs", 8},
        {"zhongqing", 8}, {"changchun", 9}, {"ccs", 9}, {"xiamen", 10}, {"xmszgh", 10}};
    for (const auto& [typed, record] : typedAndFound) EXPECT_EQ(foundAt(QString::fromLatin1(typed)), record) << typed;
    // The first name in the database's order whose pinyin holds the text.
    EXPECT_EQ(foundAt(QStringLiteral("gonghui")), 1);
    EXPECT_TRUE(test::prompts().messages.isEmpty());

    // Text that is no pinyin, or pinyin of no name, finds nothing.
    EXPECT_EQ(foundAt(QStringLiteral("bjs1")), 0);
    EXPECT_EQ(foundAt(QStringLiteral("tianjin")), 0);
    EXPECT_EQ(test::prompts().messages, (QStringList{kNotFound, kNotFound}));

    // A renamed record is found by its new name only.
    connection.execute(QStringLiteral("UPDATE dt_data SET c902='天津市总工会' WHERE c901=?"), {test::kFirstCode + 6});
    EXPECT_EQ(foundAt(QStringLiteral("tianjin")), 7);
    EXPECT_EQ(foundAt(QStringLiteral("beijing")), 0);
}
