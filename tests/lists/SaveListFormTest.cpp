#include "lists/SaveListForm.h"

#include "app/MainForm.h"

#include "checks/CheckTestSupport.h"
#include "core/Settings.h"
#include "summary/Groupings.h"
#include "workbook/Workbook.h"

#include <QApplication>
#include <QLineEdit>
#include <QKeySequence>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

// The dialog over a private program folder holding the shipped "exporttable.qv".
class SaveListFormTest : public test::CheckDatabase {
protected:
    void SetUp() override {
        CheckDatabase::SetUp();
        ASSERT_TRUE(QFile::copy(test::builtProgramFolder() + exportTableFileName(), folder.path(exportTableFileName())));
        for (qint64 code : {110101000001, 110101000002, 110101000003}) test::addRecord(code, {{"z001", 5}});
    }
    void TearDown() override {
        dialog.reset();
        CheckDatabase::TearDown();
    }
    TdlgSaveListForm& open() {
        dialog = std::make_unique<TdlgSaveListForm>(workingDatabase(), nullptr);
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        return *dialog;
    }
    template <typename Widget>
    Widget* child(const char* name) {
        Widget* widget = dialog->findChild<Widget*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(8, widget->height() / 2)); }
    void type(const char* field, const QString& text) {
        QLineEdit* edit = child<QLineEdit>(field);
        click(edit);
        QTest::keyClicks(edit, text);
    }
    // Unticks every table with the keyboard: the first row, then space and down for each.
    void untickAllTables() {
        QListWidget* list = child<QListWidget>("TableList");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        for (int row = 0; row < list->count(); ++row) {
            QTest::keyClick(list, Qt::Key_Space);
            QTest::keyClick(list, Qt::Key_Down);
        }
    }
    // Clicks "导  出" with the file dialog answered by `name` in the folder: the
    // rows of the workbook saved as `name` + ".xlsx", each row's cells joined by "|".
    QStringList exportTo(const QString& name) {
        const QString path = folder.path(name);
        test::prompts().fileAnswers = {path};
        click(child<QPushButton>("btnExport"));
        if (!QFile::exists(path + QStringLiteral(".xlsx"))) return {};
        workbook::Workbook book = workbook::Workbook::open(path + QStringLiteral(".xlsx"));
        QStringList rows;
        for (int row = 5; !book.sheet(1).text({row, 1}).isEmpty(); ++row) {
            QStringList cells;
            for (int c = 1; !book.sheet(1).text({3, c}).isEmpty(); ++c) cells << book.sheet(1).text({row, c});
            rows << cells.join(u'|');
        }
        return rows;
    }

    std::unique_ptr<TdlgSaveListForm> dialog;
};

} // namespace

TEST_F(SaveListFormTest, ExportsAllRecordsOfTheTickedTablesAndReturnWritesTheSetting) {
    open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("选择导出数据的方式"));
    EXPECT_TRUE(child<QRadioButton>("RadioButton1")->isChecked());
    QListWidget* list = child<QListWidget>("TableList");
    ASSERT_EQ(list->count(), 13);
    EXPECT_EQ(list->item(11)->text(), QStringLiteral("附表1续  工会领导班子情况"));
    for (int row = 0; row < list->count(); ++row) EXPECT_EQ(list->item(row)->checkState(), Qt::Checked);
    // Without groupings the group option cannot be chosen.
    EXPECT_FALSE(child<QRadioButton>("RadioButton3")->isEnabled());
    EXPECT_FALSE(child<QToolButton>("tbGroup")->isEnabled());
    EXPECT_EQ(child<QToolButton>("tbGroup")->text(), QStringLiteral("     选择自定义分组"));

    untickAllTables();
    const QStringList rows = exportTo(QStringLiteral("全部"));
    EXPECT_EQ(rows, (QStringList{QStringLiteral("110101000001|单位1|||||1|0"), QStringLiteral("110101000002|单位2|||||1|0"),
                                 QStringLiteral("110101000003|单位3|||||1|0")}));
    EXPECT_EQ(test::prompts().messages,
              QStringList{QStringLiteral("Excel文件已经正确导出到：'") + folder.path(QStringLiteral("全部.xlsx"))});
    EXPECT_TRUE(child<QPushButton>("btnExport")->isEnabled());
    EXPECT_TRUE(child<QPushButton>("btnReturn")->isEnabled());
    // The list file is only read.
    EXPECT_EQ(test::readAll(folder.path(exportTableFileName())), test::readAll(test::builtProgramFolder() + exportTableFileName()));

    WriteSettingBool(QStringLiteral("CheckBox1"), true, SettingsRoot::LocalMachine, dataKey());
    click(child<QPushButton>("btnReturn"));
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("CheckBox1"), 9, SettingsRoot::LocalMachine, dataKey()), 0);
}

TEST_F(SaveListFormTest, RangeTypedByTheClerkFollowsTheRules) {
    open();
    untickAllTables();
    click(child<QRadioButton>("RadioButton2"));
    type("edtFrom", QStringLiteral("0"));
    type("edtTo", QStringLiteral("110101000003"));
    EXPECT_TRUE(exportTo(QStringLiteral("零")).isEmpty());
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("请输入单位编号的范围")});
    EXPECT_TRUE(test::prompts().fileRequests.empty());
    EXPECT_TRUE(child<QPushButton>("btnExport")->isEnabled());

    // Reversed bounds: the second field takes the first one's text and one record goes out.
    test::prompts().clear();
    QTest::keyClick(child<QLineEdit>("edtFrom"), Qt::Key_Backspace);
    QTest::keyClicks(child<QLineEdit>("edtFrom"), QStringLiteral("110101000002"));
    click(child<QLineEdit>("edtTo"));
    QTest::keyClick(child<QLineEdit>("edtTo"), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(child<QLineEdit>("edtTo"), QStringLiteral("110101000001"));
    EXPECT_EQ(exportTo(QStringLiteral("倒置")), QStringList{QStringLiteral("110101000002|单位2|||||1|0")});
    EXPECT_EQ(child<QLineEdit>("edtTo")->text(), QStringLiteral("110101000002"));
}

TEST_F(SaveListFormTest, GroupChosenFromTheDropDownSelectsItsRecords) {
    const qint64 grouping = AddGrouping(workingDatabase().connection, QStringLiteral("按编号"));
    AddGroupItem(workingDatabase().connection, grouping,
                 {QStringLiteral("第一个"), 110101000001, QStringLiteral(">="), 110101000002, QStringLiteral("<")});
    AddGroupItem(workingDatabase().connection, grouping,
                 {QStringLiteral("R&D组"), 110101000002, QStringLiteral(">="), 110101000003, QStringLiteral("<=")});
    open();
    QToolButton* groupButton = child<QToolButton>("tbGroup");
    EXPECT_TRUE(groupButton->isEnabled());
    EXPECT_EQ(groupButton->text(), QStringLiteral("第一个"));

    test::prompts().menuChoices = {1};
    click(groupButton);
    EXPECT_EQ(test::prompts().lastMenu.size(), 2);
    // The title shows as it is written: no "&" turns into an underlined letter.
    EXPECT_TRUE(QKeySequence::mnemonic(groupButton->text()).isEmpty());
    EXPECT_EQ(groupButton->text(), QStringLiteral("R&&D组"));
    EXPECT_TRUE(child<QRadioButton>("RadioButton3")->isChecked());

    // Only table 1 ticked: its indicators follow the cover columns.
    untickAllTables();
    QListWidget* list = child<QListWidget>("TableList");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    QTest::keyClick(list, Qt::Key_Space);
    const QStringList rows = exportTo(QStringLiteral("分组"));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].startsWith(QStringLiteral("110101000002|单位2|||||1|0|5"))) << rows[0].toStdString();
    EXPECT_TRUE(rows[1].startsWith(QStringLiteral("110101000003|"))) << rows[1].toStdString();
}

TEST_F(SaveListFormTest, MainWindowCommandExportsUnderTheDatabaseLabel) {
    TMainForm main(TMainForm::Options{false});
    QString shown;
    test::prompts().fileAnswers = {folder.path(QStringLiteral("主窗口"))};
    QTimer::singleShot(0, &main, [&] {
        auto* modal = qobject_cast<TdlgSaveListForm*>(QApplication::activeModalWidget());
        if (!modal) return;
        shown = modal->windowTitle();
        QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("btnExport")), Qt::LeftButton);
        QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("btnReturn")), Qt::LeftButton);
    });
    main.action(QStringLiteral("actSaveList"))->trigger();
    EXPECT_EQ(shown, QStringLiteral("选择导出数据的方式"));
    ASSERT_EQ(test::prompts().fileRequests.size(), 1u);
    EXPECT_TRUE(test::prompts().fileRequests[0].fileName.startsWith(workingDatabase().label + QStringLiteral("数据列表-")));
    workbook::Workbook book = workbook::Workbook::open(folder.path(QStringLiteral("主窗口.xlsx")));
    EXPECT_EQ(book.sheet(1).name(), workingDatabase().label + QStringLiteral("数据列表"));
    EXPECT_EQ(book.sheet(1).text({7, 1}), QStringLiteral("110101000003"));
}
