#include "lists/RecordListExport.h"

#include "checks/CheckTestSupport.h"
#include "db/Statement.h"
#include "summary/Groupings.h"
#include "workbook/Workbook.h"

#include <QDate>

namespace {

class RecordListExportTest : public test::CheckDatabase {
protected:
    void SetUp() override {
        CheckDatabase::SetUp();
        for (qint64 code : {110101000001, 110101000002, 110101000003, 110101000004})
            test::addRecord(code, {{"z001", code % 10}, {"d001", 7}});
    }
    // Every table of the list, ticked or not.
    static std::vector<CheckListLine> tables(const QList<int>& tickedItems) {
        std::vector<CheckListLine> items;
        for (const ExportTable& table : exportTables()) items.push_back({QString::fromUtf8(table.text), true, 0});
        for (int item : tickedItems) items[size_t(item - 1)].check = 1;
        return items;
    }
    // The fields of DT_FieldList whose name starts with `prefix`, within the sequence range.
    QStringList fieldsOf(const QString& prefix, int above, int below) {
        db::Statement rows(db(), QStringLiteral("select FieldName from DT_FieldList where sequence>? and sequence<? order by sequence"));
        rows.bindAll({above, below});
        QStringList names;
        while (rows.next())
            if (rows.text(0).startsWith(prefix)) names << rows.text(0);
        return names;
    }
    // Exports with `choice` into "列表.xlsx" and returns the unit codes of its rows.
    QStringList exportedCodes(ListExportChoice& choice) {
        const QString path = folder.path(QStringLiteral("列表.xlsx"));
        QFile::remove(path);
        test::prompts().fileAnswers = {path};
        ExportRecordList(workingDatabase(), choice);
        if (!QFile::exists(path)) return {};
        workbook::Workbook book = workbook::Workbook::open(path);
        QStringList codes;
        for (int row = 5; !book.sheet(1).text({row, 1}).isEmpty(); ++row) codes << book.sheet(1).text({row, 1});
        return codes;
    }
    static ListExportChoice range(const QString& from, const QString& to) {
        ListExportChoice choice;
        choice.scope = ListExportChoice::Scope::CodeRange;
        choice.fromCode = from;
        choice.toCode = to;
        return choice;
    }
};

} // namespace

TEST_F(RecordListExportTest, ShippedListTicksTheThirteenTablesInGb18030) {
    const QString shipped = test::builtProgramFolder() + exportTableFileName();
    const QByteArray bytes = test::readAll(shipped);
    EXPECT_EQ(bytes.count("\r\n"), 13);
    EXPECT_TRUE(bytes.contains(encodeGb18030(QStringLiteral("附表1续  工会领导班子情况"))));
    const std::vector<CheckListLine> items = readExportTableList(shipped);
    ASSERT_EQ(items.size(), 13u);
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].text, QString::fromUtf8(exportTables()[i].text));
        EXPECT_TRUE(items[i].enabled);
        EXPECT_EQ(items[i].check, 1);
    }
    // A missing file, or one that does not list the thirteen tables, gives them unticked.
    const QString shortList = folder.path(QStringLiteral("short.qv"));
    test::writeAll(shortList, encodeGb18030(QStringLiteral("&1 1 表一 工会组织建设及民主参与状况\r\n")));
    for (const QString& path : {folder.path(QStringLiteral("missing.qv")), shortList}) {
        const std::vector<CheckListLine> fallback = readExportTableList(path);
        ASSERT_EQ(fallback.size(), 13u);
        EXPECT_EQ(fallback[12].text, QStringLiteral("附表2  工会经费审查工作情况"));
        EXPECT_EQ(fallback[0].check, 0);
    }
}

TEST_F(RecordListExportTest, FieldListTakesTablesByTheStartOfTheFieldName) {
    EXPECT_EQ(ExportFieldList(db(), tables({})), QString());
    const QStringList tableOne = fieldsOf(QStringLiteral("z"), 7, 1000);
    ASSERT_FALSE(tableOne.isEmpty());
    EXPECT_EQ(ExportFieldList(db(), tables({1})), u',' + tableOne.join(u','));

    // Items 11 and 12 both hold d indicators, split at sequence 300.
    const QString eleven = ExportFieldList(db(), tables({11}));
    const QString twelve = ExportFieldList(db(), tables({12}));
    EXPECT_EQ(eleven, u',' + fieldsOf(QStringLiteral("d"), 7, 301).join(u','));
    EXPECT_EQ(twelve, u',' + fieldsOf(QStringLiteral("d"), 300, 1000).join(u','));
    EXPECT_FALSE(eleven.isEmpty());
    EXPECT_FALSE(twelve.isEmpty());
    EXPECT_EQ(ExportFieldList(db(), tables({11, 12})), eleven + twelve);
    EXPECT_EQ(ExportFieldList(db(), tables({11, 12})).count(u','), fieldsOf(QStringLiteral("d"), 7, 1000).size());

    // A disabled or greyed item adds nothing.
    std::vector<CheckListLine> items = tables({1, 2});
    items[0].enabled = false;
    items[1].check = 2;
    EXPECT_EQ(ExportFieldList(db(), items), QString());
}

TEST_F(RecordListExportTest, NoTableTickedExportsTheCoverAndRecordStateOnly) {
    ListExportChoice choice;
    choice.tables = tables({});
    EXPECT_EQ(exportedCodes(choice).size(), 4);
    ASSERT_EQ(test::prompts().fileRequests.size(), 1u);
    EXPECT_EQ(test::prompts().fileRequests[0].fileName,
              QStringLiteral("默认数据库数据列表-") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    workbook::Workbook book = workbook::Workbook::open(folder.path(QStringLiteral("列表.xlsx")));
    workbook::Sheet sheet = book.sheet(1);
    EXPECT_EQ(sheet.name(), QStringLiteral("默认数据库数据列表"));
    QStringList titles;
    for (int c = 1; !sheet.text({3, c}).isEmpty(); ++c) titles << sheet.text({3, c});
    EXPECT_EQ(titles, (QStringList{QStringLiteral("c901"), QStringLiteral("c902"), QStringLiteral("c903"), QStringLiteral("c904"),
                                   QStringLiteral("c905"), QStringLiteral("c906"), QStringLiteral("c907"), QStringLiteral("RecordState")}));

    // With table 1 ticked its indicators follow.
    choice.tables = tables({1});
    exportedCodes(choice);
    workbook::Workbook withTable = workbook::Workbook::open(folder.path(QStringLiteral("列表.xlsx")));
    EXPECT_EQ(withTable.sheet(1).text({3, 9}), QStringLiteral("z001"));
    EXPECT_EQ(withTable.sheet(1).text({6, 9}), QStringLiteral("2"));

    // A label of 200 Chinese characters with a ":" proposes a name that fits
    // 255 bytes with its extension and that a FAT stick can hold.
    workingDatabase().label = QStringLiteral("东城区:") + QString(200, u'市');
    test::prompts().clear();
    exportedCodes(choice);
    ASSERT_EQ(test::prompts().fileRequests.size(), 1u);
    const QString proposed = test::prompts().fileRequests[0].fileName;
    EXPECT_TRUE(proposed.startsWith(QStringLiteral("东城区_市"))) << proposed.toStdString();
    EXPECT_LE(QFile::encodeName(proposed + QStringLiteral(".xlsx")).size(), 255);
}

TEST_F(RecordListExportTest, RangeRulesForZeroFractionsAndReversedBounds) {
    // A bound of 0, or a missing one, is refused without asking for a file.
    for (auto [from, to] : {std::pair{"0", "110101000003"}, {"110101000001", ""}, {"", "5"}}) {
        test::prompts().clear();
        ListExportChoice choice = range(QString::fromLatin1(from), QString::fromLatin1(to));
        EXPECT_FALSE(BuildListExportQuery(db(), choice));
        EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("请输入单位编号的范围")});
        EXPECT_TRUE(test::prompts().fileRequests.empty());
    }

    // A lower bound below 1 starts at 100000000000; a lower bound of 5 stays 5.
    ListExportChoice fraction = range(QStringLiteral("0.5"), QStringLiteral("110101000002"));
    EXPECT_EQ(BuildListExportQuery(db(), fraction)->params, (QVariantList{100000000000.0, 110101000002.0}));
    ListExportChoice five = range(QStringLiteral("5"), QStringLiteral("110101000002"));
    EXPECT_EQ(BuildListExportQuery(db(), five)->params, (QVariantList{5.0, 110101000002.0}));
    test::prompts().clear();
    EXPECT_EQ(exportedCodes(fraction), (QStringList{QStringLiteral("110101000001"), QStringLiteral("110101000002")}));

    // An upper bound below the lower one exports exactly the lower bound's record.
    ListExportChoice reversed = range(QStringLiteral("110101000003"), QStringLiteral("110101000001"));
    EXPECT_EQ(exportedCodes(reversed), QStringList{QStringLiteral("110101000003")});
    EXPECT_EQ(reversed.toCode, QStringLiteral("110101000003"));
}

TEST_F(RecordListExportTest, GroupRuleAndTheItemsRange) {
    EXPECT_TRUE(LoadExportGroups(db()).empty());
    const qint64 grouping = AddGrouping(db(), QStringLiteral("按编号"));
    AddGroupItem(db(), grouping, {QStringLiteral("前两个"), 110101000001, QStringLiteral(">="), 110101000003, QStringLiteral("<")});
    AddGroupItem(db(), grouping, {QStringLiteral("后两个"), 110101000002, QStringLiteral(">"), 110101000004, QStringLiteral("<=")});
    const std::vector<ExportGroup> groups = LoadExportGroups(db());
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[1].item.title, QStringLiteral("后两个"));

    ListExportChoice choice;
    choice.scope = ListExportChoice::Scope::Group;
    choice.group = groups[0];
    EXPECT_EQ(exportedCodes(choice), (QStringList{QStringLiteral("110101000001"), QStringLiteral("110101000002")}));
    choice.group = groups[1];
    EXPECT_EQ(exportedCodes(choice), (QStringList{QStringLiteral("110101000003"), QStringLiteral("110101000004")}));

    // A zero bound, a symbol that is no comparison, or no group at all is refused.
    ExportGroup zero = groups[0];
    zero.item.lowBoundary = 0;
    ExportGroup hostile = groups[0];
    hostile.item.highSymbol = QStringLiteral("< 0 or 1=1 or c901<");
    for (const std::optional<ExportGroup>& group : {std::optional<ExportGroup>(zero), std::optional<ExportGroup>(hostile),
                                                    std::optional<ExportGroup>()}) {
        test::prompts().clear();
        choice.group = group;
        EXPECT_FALSE(BuildListExportQuery(db(), choice));
        EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("自定义分组不正确")});
    }
}

TEST_F(RecordListExportTest, DatabaseErrorIsShownAndNothingWritten) {
    db().execute(QStringLiteral("drop table DT_FieldList"));
    ListExportChoice choice;
    EXPECT_TRUE(exportedCodes(choice).isEmpty());
    ASSERT_EQ(test::prompts().messages.size(), 1);
    EXPECT_TRUE(test::prompts().messages[0].startsWith(QStringLiteral("运行中发生错误：")));
    EXPECT_TRUE(test::prompts().fileRequests.empty());
}
