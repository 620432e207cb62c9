#include "summary/SummaryWorkbook.h"

#include "core/Platform.h"
#include "core/Progress.h"
#include "core/Startup.h"
#include "db/Connection.h"
#include "summary/Groupings.h"
#include "support/TestSupport.h"
#include "workbook/LibreOffice.h"
#include "workbook/Workbook.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>

using namespace summary;
using workbook::Workbook;

namespace {

const QString kTemplateFailure = QStringLiteral("打开汇总模版文件时发生错误，可能是没有安装MS Office或者WPS Office中的Excel");

// Records the two bars; `onFirstSheet` runs when the first sheet is done.
class RecordingProgress final : public ui::ProgressSink {
public:
    void start(int total, int) override { events << QStringLiteral("first %1").arg(total); }
    void startTask(int total) override { events << QStringLiteral("second %1").arg(total); }
    void step() override {
        events << QStringLiteral("+first");
        if (onFirstSheet) std::exchange(onFirstSheet, nullptr)();
    }
    void stepTask() override { ++cells; }
    void hide() override { events << QStringLiteral("hide"); }
    QStringList events;
    int cells = 0;
    std::function<void()> onFirstSheet;
};

// A program folder with a copy of the system data file and the summary
// template; the finished workbooks are removed from the documents folder.
class SummaryWorkbookTest : public ::testing::Test {
protected:
    void SetUp() override {
        setProgramFolder(folder.path(QString()));
        connection.open(folder.copyOfSystemDataFile(systemDataFileName()));
        ASSERT_TRUE(QFile::copy(test::builtProgramFolder() + summaryTemplateName(), folder.path(summaryTemplateName())));
        setFileOpener([this](const QString& path) { opened << path; });
    }
    void TearDown() override {
        for (const QString& path : opened) QFile::remove(path);
        setFileOpener({});
        setProgramFolder({});
    }
    void addReturn(qint64 code, int level, const QString& assignments) {
        connection.execute(QStringLiteral("INSERT INTO dt_data(c901, c904, c907, RecordState) VALUES(?, ?, 1, 1)"), {code, level});
        if (!assignments.isEmpty())
            connection.execute(QStringLiteral("UPDATE dt_data SET %1 WHERE c901=?").arg(assignments), {code});
    }
    QString run(const QList<int>& sheets, Breakdown breakdown, qint64 groupId = 0) {
        return RunSummary(connection, QStringLiteral("默认数据库"), sheets, breakdown, groupId, progress);
    }

    test::TempFolder folder;
    db::Connection connection;
    RecordingProgress progress;
    QStringList opened;
};

TEST_F(SummaryWorkbookTest, TemplateHasTheSheetsHeadingsAndTotalRow) {
    Workbook book = Workbook::open(folder.path(summaryTemplateName()));
    ASSERT_EQ(book.sheetCount(), kSummarySheetCount);
    for (int n = 1; n <= kSummarySheetCount; ++n) EXPECT_EQ(book.sheet(n).name(), summarySheets()[size_t(n - 1)].name);
    workbook::Sheet first = book.sheet(2);
    EXPECT_FALSE(first.text({1, 1}).isEmpty());
    EXPECT_EQ(first.text({3, 2}), QStringLiteral("单位数(个)"));
    EXPECT_EQ(first.text({3, 3}), QStringLiteral("所辖工会在职会员(人)"));
    EXPECT_EQ(first.text({6, 7}), QStringLiteral("是"));  // z005, a yes/no pair in G and H
    EXPECT_EQ(first.text({6, 8}), QStringLiteral("否"));
    EXPECT_EQ(first.text({8, 1}), QStringLiteral("合计"));
    EXPECT_EQ(first.formula({8, 2}), QStringLiteral("SUM(B9:B10)"));
    EXPECT_EQ(first.formula({8, 8}), QStringLiteral("SUM(H9:H10)"));
    // The weighted averages have no sum.
    EXPECT_TRUE(book.sheet(21).formula({8, 5}).isEmpty());
    EXPECT_EQ(book.sheet(21).formula({8, 6}), QStringLiteral("SUM(F9:F10)"));
    EXPECT_TRUE(book.sheet(22).formula({8, 10}).isEmpty());
}

TEST_F(SummaryWorkbookTest, LevelRunFillsTheChosenSheetsAndDeletesTheOthers) {
    addReturn(110000000001, 2, QStringLiteral("z001=10, d017=30, d012=1"));
    addReturn(110000000002, 2, QStringLiteral("z001=5, z005=2"));
    addReturn(110000000003, 1, QStringLiteral("z001=7, z005=1, d017=45, d012=1"));
    addReturn(-1, 1, QStringLiteral("z001=1000, d017=60, d012=2"));
    const QString path = run({2, 21}, Breakdown::Level);
    ASSERT_FALSE(path.isEmpty()) << test::prompts().messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(QFileInfo(path).fileName(),
              QStringLiteral("2019基层以上汇总表-默认数据库-%1.xlsx").arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
    EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(documentsFolder()).absoluteFilePath());
    EXPECT_EQ(opened, QStringList{path});
    EXPECT_EQ(progress.events, (QStringList{QStringLiteral("first 2"), QStringLiteral("second 112"), QStringLiteral("+first"),
                                            QStringLiteral("second 182"), QStringLiteral("+first"), QStringLiteral("hide")}));

    EXPECT_EQ(progress.cells, 112 + 182);

    Workbook book = Workbook::open(path);
    ASSERT_EQ(book.sheetCount(), 2);
    EXPECT_EQ(book.activeSheet(), 1);
    workbook::Sheet table = book.sheet(1);
    EXPECT_EQ(table.name(), summarySheets()[1].name);
    EXPECT_EQ(table.text({3, 1}), QStringLiteral("工会层次"));
    EXPECT_EQ(table.text({10, 1}), QStringLiteral("省级地方工会"));
    EXPECT_EQ(table.text({11, 1}), QStringLiteral("地(市)级地方工会"));
    EXPECT_EQ(table.text({12, 1}), QStringLiteral("县级地方工会"));
    EXPECT_EQ(table.text({23, 1}), QStringLiteral("未知"));
    EXPECT_EQ(table.text({10, 2}), QStringLiteral("1"));
    EXPECT_EQ(table.text({10, 3}), QStringLiteral("7"));   // the return with code -1 is left out
    EXPECT_EQ(table.text({11, 3}), QStringLiteral("15"));
    EXPECT_EQ(table.text({11, 7}), QStringLiteral("0"));   // z005 = 1
    EXPECT_EQ(table.text({11, 8}), QStringLiteral("1"));   // z005 = 2
    EXPECT_TRUE(table.text({12, 2}).isEmpty());            // a level without returns
    EXPECT_EQ(table.formula({8, 3}), QStringLiteral("SUM(C9:C23)"));
    EXPECT_EQ(table.format({12, 1}).alignment, workbook::Alignment::Left);
    EXPECT_GT(table.columnWidth(1), 0);
    // (30 + 45 + 60*2) / 4 over every return, whatever its unit code.
    EXPECT_EQ(book.sheet(2).text({8, 5}), QStringLiteral("48.75"));
    EXPECT_EQ(book.sheet(2).text({10, 5}), QStringLiteral("45"));
    EXPECT_EQ(book.sheet(2).text({11, 5}), QStringLiteral("30"));
    // Weighted averages show two decimals and keep their exact value.
    for (const int row : {8, 10, 23}) EXPECT_EQ(book.sheet(2).format({row, 5}).numberFormat, QStringLiteral("0.00")) << row;
    EXPECT_EQ(book.sheet(2).format({10, 4}).numberFormat, table.format({10, 4}).numberFormat);

    // A second run on the same day keeps the first workbook.
    const QString again = run({2}, Breakdown::Level);
    EXPECT_NE(again, path);
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(Workbook::open(path).sheetCount(), 2);

    REQUIRE_LIBREOFFICE();
    const auto shown = test::shownByLibreOffice(path, {table.name()}, folder.path(QStringLiteral("csv")));
    const auto& rows = shown.at(table.name());
    ASSERT_GE(rows.size(), 8u);
    EXPECT_EQ(rows[7][1], QStringLiteral("3"));   // returns
    EXPECT_EQ(rows[7][2], QStringLiteral("22"));  // z001
    EXPECT_EQ(rows[7][6], QStringLiteral("1"));
    EXPECT_EQ(rows[7][7], QStringLiteral("1"));

    // A label with a path separator or characters a FAT stick cannot hold
    // still names one file in the documents folder.
    const QString odd = RunSummary(connection, QStringLiteral("东城区/朝阳区:\"西城\"?"), {2}, Breakdown::Level, 0, progress);
    EXPECT_EQ(QFileInfo(odd).fileName(), QStringLiteral("2019基层以上汇总表-东城区_朝阳区__西城__-%1.xlsx")
                                             .arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
    EXPECT_EQ(QFileInfo(odd).absolutePath(), QFileInfo(documentsFolder()).absoluteFilePath());
    // A label of 200 Chinese characters is cut so that the name, "(2)" of a
    // second run included, fits 255 bytes.
    for (int n = 0; n < 2; ++n) {
        const QString named = RunSummary(connection, QString(200, u'市'), {2}, Breakdown::Level, 0, progress);
        ASSERT_FALSE(named.isEmpty()) << test::prompts().messages.join(QLatin1Char('\n')).toStdString();
        EXPECT_LE(QFile::encodeName(QFileInfo(named).fileName()).size(), 255);
        EXPECT_TRUE(named.endsWith(QStringLiteral("市-") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))
                                   + (n ? QStringLiteral("(2).xlsx") : QStringLiteral(".xlsx"))))
            << named.toStdString();
    }
}

TEST_F(SummaryWorkbookTest, GroupingRunWritesItsItemsAndNoWeightedTotals) {
    addReturn(110000000001, 1, QStringLiteral("d017=40, d012=2, d033=50, x001=1"));
    const qint64 group = AddGrouping(connection, QStringLiteral("按地区"));
    AddGroupItem(connection, group, {QStringLiteral("北京"), 110000000000, QStringLiteral(">="), 120000000000, QStringLiteral("<")});
    AddGroupItem(connection, group, {QStringLiteral("天津"), 120000000000, QStringLiteral(">="), 130000000000, QStringLiteral("<")});
    const QString path = run({1, 21, 22}, Breakdown::Grouping, group);
    ASSERT_FALSE(path.isEmpty());
    Workbook book = Workbook::open(path);
    ASSERT_EQ(book.sheetCount(), 3);
    EXPECT_EQ(book.sheet(1).name(), QStringLiteral("封面"));
    workbook::Sheet sheet21 = book.sheet(2);
    EXPECT_EQ(sheet21.text({3, 1}), QStringLiteral("分    组"));
    EXPECT_EQ(sheet21.text({10, 1}), QStringLiteral("北京"));
    EXPECT_EQ(sheet21.text({11, 1}), QStringLiteral("天津"));
    EXPECT_EQ(sheet21.text({10, 5}), QStringLiteral("40"));
    EXPECT_TRUE(sheet21.text({8, 5}).isEmpty());
    EXPECT_TRUE(book.sheet(3).text({8, 10}).isEmpty());
    EXPECT_EQ(book.sheet(3).text({10, 10}), QStringLiteral("50"));
}

TEST_F(SummaryWorkbookTest, ColumnHeadingGoesBelowTheTextInColumnA) {
    auto captionCells = [&](const QString& a2, const QString& a3) {
        Workbook edited = Workbook::open(folder.path(summaryTemplateName()));
        edited.sheet(3).setValue({2, 1}, a2);
        edited.sheet(3).setValue({3, 1}, a3);
        const QString path = folder.path(QStringLiteral("edited.xlsx"));
        edited.save(path);
        SummaryWorkbook summary(path);
        summary.WriteSummarySheet(3, Breakdown::State, breakdownRows(connection, 3, Breakdown::State, 0), {}, progress);
        workbook::Sheet sheet = summary.book().sheet(3);
        return QStringList{sheet.text({2, 1}), sheet.text({3, 1}), sheet.text({4, 1})};
    };
    EXPECT_EQ(captionCells(QString(), QStringLiteral("单位")), (QStringList{QString(), QStringLiteral("单位"), QStringLiteral("填报状态")}));
    EXPECT_EQ(captionCells(QStringLiteral("单位"), QString()), (QStringList{QStringLiteral("单位"), QStringLiteral("填报状态"), QString()}));
    EXPECT_EQ(captionCells(QString(), QString()), (QStringList{QStringLiteral("填报状态"), QString(), QString()}));
}

TEST_F(SummaryWorkbookTest, RunsThatCannotStartSaveNothing) {
    EXPECT_TRUE(run({}, Breakdown::Level).isEmpty());
    EXPECT_TRUE(test::prompts().messages.isEmpty());
    EXPECT_TRUE(run({1}, Breakdown::Level).isEmpty());
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("除去封面，请至少选择一个表格进行汇总")});

    test::prompts().clear();
    QFile::remove(folder.path(summaryTemplateName()));
    test::writeAll(folder.path(summaryTemplateName()), "PK\x03\x04 not a workbook");
    EXPECT_TRUE(run({2}, Breakdown::Level).isEmpty());
    EXPECT_EQ(test::prompts().messages, QStringList{kTemplateFailure});
    QFile::remove(folder.path(summaryTemplateName()));
    EXPECT_TRUE(run({2}, Breakdown::Level).isEmpty());
    EXPECT_EQ(test::prompts().messages.size(), 2);
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(SummaryWorkbookTest, DatabaseErrorInARunSavesNoHalfFilledWorkbook) {
    connection.execute(QStringLiteral("DROP TABLE ct_state"));
    EXPECT_TRUE(run({2, 3}, Breakdown::State).isEmpty());
    ASSERT_EQ(test::prompts().messages.size(), 1);
    EXPECT_TRUE(test::prompts().messages[0].startsWith(QStringLiteral("运行中发生错误：")));
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(progress.events.contains(QStringLiteral("hide")));
    // The next run starts again.
    EXPECT_FALSE(run({2}, Breakdown::Level).isEmpty());
}

TEST_F(SummaryWorkbookTest, RunCannotStartInsideARun) {
    QString inner = QStringLiteral("not run");
    progress.onFirstSheet = [&] { inner = run({2}, Breakdown::Level); };
    const QString outer = run({2, 3}, Breakdown::Level);
    EXPECT_FALSE(outer.isEmpty());
    EXPECT_TRUE(inner.isEmpty());
    EXPECT_EQ(opened, QStringList{outer});
}

} // namespace
