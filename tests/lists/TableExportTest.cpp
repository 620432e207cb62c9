#include "lists/TableExport.h"

#include "checks/CheckTestSupport.h"
#include "core/Progress.h"
#include "db/RecordSet.h"
#include "db/Statement.h"
#include "workbook/LibreOffice.h"
#include "workbook/Workbook.h"

#include <QDate>
#include <QDir>
#include <QLocale>

namespace {

const QString kName = QStringLiteral("Varnel_基层以上（离线工具）查询结果");

TFieldData column(const QString& field, const QString& title, bool exported = true) {
    TFieldData data;
    data.showName = field;
    data.title = title;
    data.queryShow = exported;
    return data;
}

class TableExportTest : public test::CheckDatabase {
protected:
    void SetUp() override {
        CheckDatabase::SetUp();
        test::addRecord(110101000002, {{"z001", 1234}, {"RecordState", 1}});
        test::addRecord(110101000001, {});
        db().execute(QStringLiteral("update dt_data set c902=? where c901=110101000002"), {QStringLiteral("东城区'总工会")});
        db().execute(QStringLiteral("update dt_data set c902=? where c901=110101000001"), {QStringLiteral("西城区总工会")});
    }
    void openRecords(const QString& where = {}) {
        query.open(db(), QStringLiteral("select c901,c902,z001,RecordState from dt_data ") + where + QStringLiteral(" order by c901"));
    }
    db::RecordSet query;
};

// Records what the progress window is asked to show.
class RecordingProgress final : public ui::ProgressSink {
public:
    RecordingProgress() { ui::installProgress(this); }
    ~RecordingProgress() override { ui::installProgress(nullptr); }
    void setCaption(const QString& caption) override { shown << caption; }
    void start(int total, int done) override { shown << QStringLiteral("start %1 %2").arg(total).arg(done); }
    void step() override { ++steps; }
    void hide() override { shown << QStringLiteral("hide"); }
    QStringList shown;
    int steps = 0;
};

// The rows of a table of a database file, each row's values joined by "|".
QStringList tableRows(const QString& path, const QString& table) {
    db::Connection file;
    file.open(path, db::Access::ReadOnly);
    db::Statement rows(file, QStringLiteral("select * from ") + db::quoteIdentifier(table));
    QStringList lines;
    while (rows.next()) {
        QStringList values;
        for (int c = 0; c < rows.columnCount(); ++c) values << (rows.isNull(c) ? QStringLiteral("NULL") : rows.text(c));
        lines << values.join(u'|');
    }
    return lines;
}

} // namespace

TEST_F(TableExportTest, WorkbookHoldsTheFlaggedColumnsInTheirFormatsAndGetsItsExtension) {
    openRecords();
    const TFieldDataArray columns{column(QStringLiteral("c901"), QStringLiteral("统计编码")),
                                  column(QStringLiteral("RecordState"), QStringLiteral("不导出"), false),
                                  column(QStringLiteral("c902"), QStringLiteral("工会名称")),
                                  column(QStringLiteral("z001"), QStringLiteral("所辖工会在职会员(人)"))};
    test::prompts().fileAnswers = {folder.path(QStringLiteral("列表"))};
    RecordingProgress progress;
    SaveQueryAsExcel(query, kName, columns);
    EXPECT_EQ(progress.shown, (QStringList{QStringLiteral("start 2 0"), QStringLiteral("数据导出...50%"),
                                           QStringLiteral("数据导出...100%"), QStringLiteral("hide")}));
    EXPECT_EQ(progress.steps, 2);

    const QString path = folder.path(QStringLiteral("列表.xlsx"));
    ASSERT_EQ(test::prompts().fileRequests.size(), 1u);
    const ui::FileDialogRequest& request = test::prompts().fileRequests[0];
    EXPECT_EQ(request.title, QStringLiteral("导出文件存放为"));
    EXPECT_EQ(request.filters, QStringList{QStringLiteral("Excel 文件(*.xlsx)")});
    EXPECT_EQ(request.fileName, kName + u'-' + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    EXPECT_EQ(request.folder, documentsFolder());
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("Excel文件已经正确导出到：'") + path});
    EXPECT_TRUE(test::readAll(path).startsWith("PK"));

    workbook::Workbook book = workbook::Workbook::open(path);
    ASSERT_EQ(book.sheetCount(), 1);
    workbook::Sheet sheet = book.sheet(1);
    EXPECT_EQ(sheet.name(), kName);
    EXPECT_EQ(sheet.text({2, 1}), QStringLiteral("导出日期:"));
    EXPECT_TRUE(sheet.format({2, 1}).bold);
    EXPECT_EQ(sheet.format({2, 1}).fontSize, 12);
    EXPECT_EQ(sheet.text({2, 2}), QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
    EXPECT_EQ(sheet.format({2, 2}).numberFormat, QStringLiteral("@"));
    EXPECT_EQ(sheet.text({3, 1}), QStringLiteral("统计编码"));
    EXPECT_EQ(sheet.text({3, 2}), QStringLiteral("工会名称"));
    EXPECT_EQ(sheet.text({3, 3}), QStringLiteral("所辖工会在职会员(人)"));
    EXPECT_TRUE(sheet.text({3, 4}).isEmpty());
    EXPECT_TRUE(sheet.text({4, 1}).isEmpty());
    EXPECT_EQ(sheet.text({5, 1}), QStringLiteral("110101000001"));
    EXPECT_EQ(sheet.text({5, 2}), QStringLiteral("西城区总工会"));
    EXPECT_TRUE(sheet.text({5, 3}).isEmpty());  // no value, no cell text
    EXPECT_EQ(sheet.text({6, 2}), QStringLiteral("东城区'总工会"));
    EXPECT_EQ(sheet.text({6, 3}), QStringLiteral("1234"));
    EXPECT_TRUE(sheet.text({7, 1}).isEmpty());
    EXPECT_EQ(sheet.format({6, 1}).numberFormat, QStringLiteral("#,##0_ "));
    EXPECT_EQ(sheet.format({6, 2}).numberFormat, QStringLiteral("@"));
    EXPECT_GE(sheet.columnWidth(2), 12);  // six Chinese characters

    REQUIRE_LIBREOFFICE();
    const auto shown = test::shownByLibreOffice(path, {sheet.name()}, folder.path(QStringLiteral("csv")));
    const auto& rows = shown.at(sheet.name());
    ASSERT_GE(rows.size(), 6u);
    EXPECT_EQ(rows[1][0], QStringLiteral("导出日期:"));
    EXPECT_EQ(rows[4][0].trimmed(), QStringLiteral("110,101,000,001"));
    EXPECT_EQ(rows[5][1], QStringLiteral("东城区'总工会"));
    EXPECT_EQ(rows[5][2].trimmed(), QStringLiteral("1,234"));
}

TEST_F(TableExportTest, EmptyQueryIsRefusedWithoutAskingForAFile) {
    openRecords(QStringLiteral("where c901=0"));
    SaveQueryAsExcel(query, kName, {column(QStringLiteral("c901"), QStringLiteral("统计编码"))});
    SaveQueryAsAccess(query, kName);
    EXPECT_EQ(test::prompts().messages, (QStringList{QStringLiteral("SaveQueryAsExcel出错:数据表为空，不能导出！"),
                                                     QStringLiteral("SaveQueryAsAccess:：出错:数据表为空，不能导出！")}));
    EXPECT_TRUE(test::prompts().fileRequests.empty());
}

TEST_F(TableExportTest, CancelledDialogWritesNothing) {
    openRecords();
    SaveQueryAsExcel(query, kName, {column(QStringLiteral("c901"), QStringLiteral("统计编码"))});
    SaveQueryAsAccess(query, kName);
    EXPECT_EQ(test::prompts().fileRequests.size(), 2u);
    EXPECT_TRUE(test::prompts().messages.isEmpty());
    EXPECT_TRUE(QDir(documentsFolder()).entryList({kName + u'*'}).isEmpty());
}

TEST_F(TableExportTest, DatabaseFileGetsTypedTableWithQuotedNamesAndIsReplacedOnTheNextExport) {
    openRecords();
    const QString name = QStringLiteral("单位'列表");
    test::prompts().fileAnswers = {folder.path(QStringLiteral("导出"))};
    SaveQueryAsAccess(query, name);
    const QString path = folder.path(QStringLiteral("导出.mdb"));
    ASSERT_EQ(test::prompts().fileRequests.size(), 1u);
    EXPECT_EQ(test::prompts().fileRequests[0].filters, QStringList{QStringLiteral("Access文件(*.mdb)")});
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("Access文件已经正确导出到：'") + path + QStringLiteral("'！")});
    EXPECT_EQ(tableRows(path, name), (QStringList{QStringLiteral("110101000001|西城区总工会|0|0"),
                                                  QStringLiteral("110101000002|东城区'总工会|1234|1")}));
    {
        db::Connection file;
        file.open(path, db::Access::ReadOnly);
        db::Statement info(file, QStringLiteral("select name, type from pragma_table_info(?)"));
        info.bind(1, name);
        QStringList types;
        while (info.next()) types << info.text(0) + u' ' + info.text(1);
        EXPECT_EQ(types, (QStringList{QStringLiteral("c901 INTEGER"), QStringLiteral("c902 VARCHAR(255)"),
                                      QStringLiteral("z001 INTEGER"), QStringLiteral("RecordState INTEGER")}));
    }

    // A second export into the same file replaces the table and leaves another one alone.
    {
        db::Connection file;
        file.open(path);
        file.execute(QStringLiteral("create table other(x)"));
        file.execute(QStringLiteral("insert into other values(7)"));
    }
    openRecords(QStringLiteral("where c901=110101000002"));
    test::prompts().clear();
    test::prompts().fileAnswers = {path};
    SaveQueryAsAccess(query, name);
    EXPECT_EQ(tableRows(path, name), QStringList{QStringLiteral("110101000002|东城区'总工会|1234|1")});
    EXPECT_EQ(tableRows(path, QStringLiteral("other")), QStringList{QStringLiteral("7")});

    // The working database is never a target.
    const QByteArray working = test::readAll(workingDatabase().path);
    test::prompts().clear();
    test::prompts().fileAnswers = {workingDatabase().path};
    SaveQueryAsAccess(query, name);
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("不能导出到正在使用的数据库文件，请选择其它文件。")});
    EXPECT_EQ(test::readAll(workingDatabase().path), working);
}

TEST_F(TableExportTest, FailedExportsLeaveTheTargetAsItWas) {
    openRecords();
    // A target that is a folder.
    const QString folderTarget = folder.path(QStringLiteral("目录.xlsx"));
    QDir().mkpath(folderTarget);
    test::prompts().fileAnswers = {folderTarget};
    SaveQueryAsExcel(query, kName, {column(QStringLiteral("c901"), QStringLiteral("统计编码"))});
    ASSERT_EQ(test::prompts().messages.size(), 1);
    EXPECT_TRUE(test::prompts().messages[0].startsWith(QStringLiteral("运行中发生错误：")));
    EXPECT_TRUE(test::prompts().messages[0].endsWith(QStringLiteral(",请与系统管理员或软件发行者联系。")));
    EXPECT_TRUE(QFileInfo(folderTarget).isDir());

    // A workbook that fails half-way (a column the query lacks) leaves the earlier file.
    const QString earlier = folder.path(QStringLiteral("早先.xlsx"));
    test::writeAll(earlier, "earlier workbook");
    test::prompts().clear();
    test::prompts().fileAnswers = {earlier};
    SaveQueryAsExcel(query, kName, {column(QStringLiteral("c901"), QStringLiteral("统计编码")),
                                    column(QStringLiteral("nosuchfield"), QStringLiteral("无"))});
    ASSERT_EQ(test::prompts().messages.size(), 1);
    EXPECT_TRUE(test::prompts().messages[0].startsWith(QStringLiteral("运行中发生错误：")));
    EXPECT_EQ(test::readAll(earlier), QByteArray("earlier workbook"));
    EXPECT_EQ(QDir(folder.path(QString())).entryList({QStringLiteral("早先*")}), QStringList{QStringLiteral("早先.xlsx")});

    // A file that is no database stays as it was; a new file that fails is not left behind.
    const QString notADatabase = folder.path(QStringLiteral("旧.mdb"));
    test::writeAll(notADatabase, QByteArray(4096, 'x'));
    test::prompts().clear();
    test::prompts().fileAnswers = {notADatabase, folder.path(QStringLiteral("没有/这个/目录/新.mdb"))};
    SaveQueryAsAccess(query, kName);
    SaveQueryAsAccess(query, kName);
    ASSERT_EQ(test::prompts().messages.size(), 2);
    for (const QString& message : test::prompts().messages)
        EXPECT_TRUE(message.startsWith(QStringLiteral("运行中发生错误："))) << message.toStdString();
    EXPECT_EQ(test::readAll(notADatabase), QByteArray(4096, 'x'));
    EXPECT_FALSE(QFileInfo::exists(folder.path(QStringLiteral("没有"))));

    // A record that vanishes while it is exported: the old table and the rest of the file are kept.
    const QString kept = folder.path(QStringLiteral("保留.mdb"));
    {
        db::Connection::createEmpty(kept);
        db::Connection file;
        file.open(kept);
        file.execute(QStringLiteral("create table \"%1\"(x)").arg(kName));
        file.execute(QStringLiteral("insert into \"%1\" values(1)").arg(kName));
    }
    const QByteArray before = test::readAll(kept);
    db::RecordSet keyed;
    keyed.openKeyed(db(), QStringLiteral("select * from dt_data order by c901"), QStringLiteral("c901"));
    db().execute(QStringLiteral("delete from dt_data where c901=110101000002"));
    test::prompts().clear();
    test::prompts().fileAnswers = {kept};
    SaveQueryAsAccess(keyed, kName);
    ASSERT_EQ(test::prompts().messages.size(), 1);
    EXPECT_TRUE(test::prompts().messages[0].startsWith(QStringLiteral("运行中发生错误：")));
    EXPECT_EQ(tableRows(kept, kName), QStringList{QStringLiteral("1")});
    EXPECT_EQ(test::readAll(kept), before);
}

TEST_F(TableExportTest, NamesAreCompletedAndSheetNamesMadeValid) {
    EXPECT_EQ(CompleteExportName(QStringLiteral("/tmp/列表"), QStringLiteral(".xlsx")), QStringLiteral("/tmp/列表.xlsx"));
    EXPECT_EQ(CompleteExportName(QStringLiteral("/tmp/列表.XLSX"), QStringLiteral(".xlsx")), QStringLiteral("/tmp/列表.XLSX"));
    EXPECT_EQ(CompleteExportName(QStringLiteral("/tmp/列表.xls"), QStringLiteral(".xlsx")), QStringLiteral("/tmp/列表.xls.xlsx"));
    EXPECT_EQ(CompleteExportName(QStringLiteral("/tmp/a"), QStringLiteral(".mdb")), QStringLiteral("/tmp/a.mdb"));
    EXPECT_EQ(SheetNameFor(QStringLiteral("东城区[一]/二:三数据列表")), QStringLiteral("东城区_一__二_三数据列表"));
    EXPECT_EQ(SheetNameFor(QString(40, u'区')).size(), 31);
    EXPECT_EQ(SheetNameFor(QStringLiteral("'甲'")), QStringLiteral("甲"));
}
