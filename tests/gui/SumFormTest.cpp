#include "app/MainForm.h"
#include "core/Platform.h"
#include "core/Startup.h"
#include "core/TextEncoding.h"
#include "summary/Groupings.h"
#include "summary/SumForm.h"
#include "summary/SummaryWorkbook.h"
#include "support/TestSupport.h"
#include "workbook/Workbook.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace {

// The summary dialog over a private program folder with a copy of the system
// data file, the summary template and no "sumtable.qv" unless a test puts one.
class SumFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        setProgramFolder(folder.path(QString()));
        folder.copyOfSystemDataFile(systemDataFileName());
        ASSERT_TRUE(QFile::copy(test::builtProgramFolder() + summary::summaryTemplateName(),
                                folder.path(summary::summaryTemplateName())));
        ASSERT_TRUE(OpenSurveyDatabase());
        setFileOpener([this](const QString& path) { opened << path; });
    }
    void TearDown() override {
        dialog.reset();
        for (const QString& path : opened) QFile::remove(path);
        setFileOpener({});
        workingDatabase().connection.close();
        setProgramFolder({});
    }
    db::Connection& db() { return workingDatabase().connection; }

    TdlgSumForm& open() {
        dialog = std::make_unique<TdlgSumForm>(db(), QStringLiteral("默认数据库"), nullptr);
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        return *dialog;
    }
    void closeWithReturn() {
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("tbReturn")), Qt::LeftButton);
        dialog.reset();
    }
    QListWidget* list() { return dialog->findChild<QListWidget*>(QStringLiteral("TableList")); }
    QPoint centre(int row) { return list()->visualItemRect(list()->item(row)).center(); }
    // Ticks or unticks an item as a clerk does: a click on it, then the space bar.
    void toggle(int row) {
        list()->scrollToItem(list()->item(row));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, centre(row));
        QTest::keyClick(list(), Qt::Key_Space);
    }
    void doubleClick(int row) {
        list()->scrollToItem(list()->item(row));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, centre(row));
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, centre(row));
    }
    void clickButton(const char* name) {
        QTest::mouseClick(dialog->findChild<QPushButton*>(QLatin1String(name)), Qt::LeftButton);
    }
    // The rows of the ticked items.
    QList<int> ticked() {
        QList<int> rows;
        for (int row = 0; row < list()->count(); ++row)
            if (list()->item(row)->checkState() == Qt::Checked) rows << row;
        return rows;
    }

    test::TempFolder folder;
    std::unique_ptr<TdlgSumForm> dialog;
    QStringList opened;
};

TEST_F(SumFormTest, MainWindowCommandOpensTheDialog) {
    TMainForm main(TMainForm::Options{false});
    QString shown;
    QTimer::singleShot(0, &main, [&] {
        auto* modal = qobject_cast<TdlgSumForm*>(QApplication::activeModalWidget());
        if (!modal) return;
        shown = modal->windowTitle();
        QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("tbReturn")), Qt::LeftButton);
    });
    main.action(QStringLiteral("actSum"))->trigger();
    EXPECT_EQ(shown, QStringLiteral("数据分类汇总"));
    EXPECT_TRUE(QFile::exists(folder.path(QStringLiteral("sumtable.qv"))));
}

TEST_F(SumFormTest, BandDoubleClickTicksItsTablesAndTicksSurviveARestart) {
    open();
    ASSERT_EQ(list()->count(), 37);
    EXPECT_EQ(list()->item(7)->text(), QStringLiteral("//表三 工会权益保障及集体合同工作"));
    EXPECT_TRUE(list()->item(7)->font().bold());
    EXPECT_FALSE(list()->item(7)->flags() & Qt::ItemIsUserCheckable);
    toggle(0);  // the cover
    doubleClick(7);
    // Sheets 6, 7 and 8; a double click on a table does nothing.
    doubleClick(2);
    EXPECT_EQ(ticked(), (QList<int>{0, 8, 9, 10}));
    closeWithReturn();

    const QByteArray file = test::readAll(folder.path(QStringLiteral("sumtable.qv")));
    EXPECT_TRUE(file.startsWith(encodeGb18030(QStringLiteral("&1 1 封面 \r\n&0 0 //表一 工会组织建设及民主参与状况 \r\n"))));
    EXPECT_EQ(file.count("\r\n"), 37);

    open();
    EXPECT_EQ(ticked(), (QList<int>{0, 8, 9, 10}));
    clickButton("Button1");
    EXPECT_EQ(ticked().size(), 24);
    clickButton("Button2");
    EXPECT_TRUE(ticked().isEmpty());
}

TEST_F(SumFormTest, ListThatCannotBeWrittenIsSaid) {
    // A folder in the place of the file: the ticks cannot be kept.
    ASSERT_TRUE(QDir().mkpath(folder.path(QStringLiteral("sumtable.qv"))));
    open();
    toggle(2);
    closeWithReturn();
    EXPECT_EQ(test::prompts().messages,
              QStringList{QStringLiteral("无法写入文件“%1”，所选的表格没有保存。").arg(folder.path(QStringLiteral("sumtable.qv")))});
}

TEST_F(SumFormTest, UnreadableListGivesTheShippedOne) {
    test::writeAll(folder.path(QStringLiteral("sumtable.qv")), "&1 1 只有一项\r\n");
    open();
    ASSERT_EQ(list()->count(), 37);
    EXPECT_EQ(list()->item(0)->text(), QStringLiteral("封面"));
    EXPECT_TRUE(ticked().isEmpty());
}

TEST_F(SumFormTest, SumRunsTheChosenTablesAndRefusesTheCoverAlone) {
    open();
    clickButton("tbSum");  // nothing ticked: nothing happens
    EXPECT_TRUE(test::prompts().messages.isEmpty());
    toggle(0);
    clickButton("tbSum");
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("除去封面，请至少选择一个表格进行汇总")});
    EXPECT_TRUE(opened.isEmpty());

    toggle(2);  // sheet 2
    QTest::mouseClick(dialog->findChildren<QRadioButton*>()[1], Qt::LeftButton);  // "填报状态"
    clickButton("tbSum");
    ASSERT_EQ(opened.size(), 1);
    workbook::Workbook book = workbook::Workbook::open(opened[0]);
    ASSERT_EQ(book.sheetCount(), 2);
    EXPECT_EQ(book.sheet(1).name(), QStringLiteral("封面"));
    EXPECT_EQ(book.sheet(2).text({3, 1}), QStringLiteral("填报状态"));
    EXPECT_EQ(book.sheet(2).text({10, 1}), QStringLiteral("正常填报"));
}

TEST_F(SumFormTest, GroupingChoiceNeedsAGroupingWithItems) {
    open();
    auto* groups = dialog->findChild<QComboBox*>(QStringLiteral("tbGroup"));
    EXPECT_FALSE(groups->isEnabled());
    EXPECT_EQ(groups->placeholderText(), QStringLiteral("自定义分组"));
    EXPECT_FALSE(dialog->findChildren<QRadioButton*>()[2]->isEnabled());
    closeWithReturn();

    // A grouping without items is listed, but neither it nor the grouping
    // breakdown can be chosen.
    AddGrouping(db(), QStringLiteral("空分组"));
    open();
    groups = dialog->findChild<QComboBox*>(QStringLiteral("tbGroup"));
    EXPECT_TRUE(groups->isEnabled());
    EXPECT_EQ(groups->currentIndex(), -1);
    QTest::mouseClick(groups, Qt::LeftButton);
    groups->hidePopup();
    EXPECT_FALSE(dialog->findChildren<QRadioButton*>()[2]->isEnabled());
    EXPECT_FALSE(dialog->findChildren<QRadioButton*>()[2]->isChecked());
    closeWithReturn();

    const qint64 group = AddGrouping(db(), QStringLiteral("按地区"));
    AddGroupItem(db(), group, {QStringLiteral("全部"), 1, QStringLiteral(">="), 999999999999, QStringLiteral("<")});
    const qint64 other = AddGrouping(db(), QStringLiteral("按行业"));
    AddGroupItem(db(), other, {QStringLiteral("工业"), 1, QStringLiteral(">="), 2, QStringLiteral("<")});
    open();
    groups = dialog->findChild<QComboBox*>(QStringLiteral("tbGroup"));
    ASSERT_TRUE(groups->isEnabled());
    EXPECT_EQ(groups->currentText(), QStringLiteral("按地区"));
    // Opening the list with a click chooses the grouping breakdown.
    EXPECT_FALSE(dialog->findChildren<QRadioButton*>()[2]->isChecked());
    QTest::mouseClick(groups, Qt::LeftButton);
    EXPECT_TRUE(dialog->findChildren<QRadioButton*>()[2]->isChecked());
    groups->hidePopup();
    QTest::mouseClick(dialog->findChildren<QRadioButton*>()[0], Qt::LeftButton);
    // The grouping without items cannot be chosen; the keyboard passes over it.
    groups->setFocus();
    QTest::keyClick(groups, Qt::Key_Down);
    EXPECT_EQ(groups->currentText(), QStringLiteral("按行业"));
    QTest::keyClick(groups, Qt::Key_Up);
    EXPECT_EQ(groups->currentText(), QStringLiteral("按地区"));
    QTest::keyClick(groups, Qt::Key_Up);
    EXPECT_EQ(groups->currentText(), QStringLiteral("按地区"));
    EXPECT_TRUE(dialog->findChildren<QRadioButton*>()[2]->isChecked());

    toggle(2);
    clickButton("tbSum");
    ASSERT_EQ(opened.size(), 1);
    workbook::Workbook book = workbook::Workbook::open(opened[0]);
    EXPECT_EQ(book.sheet(1).text({3, 1}), QStringLiteral("分    组"));
    EXPECT_EQ(book.sheet(1).text({10, 1}), QStringLiteral("全部"));
}

} // namespace
