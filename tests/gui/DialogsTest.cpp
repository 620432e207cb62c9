#include "app/OptionSetupForm.h"
#include "core/AutoBackup.h"
#include "app/ProgressBar.h"
#include "app/QtTranslations.h"
#include "core/Prompt.h"
#include "app/QuestionDialog.h"
#include "app/WidgetPrompter.h"
#include "core/Settings.h"
#include "db/Connection.h"
#include "entry/ButtonEdit.h"
#include "entry/CityNameForm.h"
#include "entry/NumericEdit.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>

namespace {

// Once the next modal window shows: notes the texts of its buttons and visible
// labels, then clicks the button captioned `press`.
void answerNextWindow(QStringList& buttons, QStringList& labels, const QString& press) {
    QTimer::singleShot(0, [&buttons, &labels, press] {
        QWidget* window = QApplication::activeModalWidget();
        ASSERT_NE(window, nullptr);
        for (QLabel* label : window->findChildren<QLabel*>())
            if (label->isVisible() && !label->text().isEmpty()) labels << label->text();
        QAbstractButton* pressed = nullptr;
        for (QAbstractButton* button : window->findChild<QDialogButtonBox*>()->buttons()) {
            buttons << button->text();
            if (button->text() == press) pressed = button;
        }
        if (pressed) QTest::mouseClick(pressed, Qt::LeftButton);
        else qobject_cast<QDialog*>(window)->reject();
        EXPECT_NE(pressed, nullptr) << press.toStdString();
    });
}

} // namespace

TEST(WidgetPrompter, MessageBoxesAndFileDialogsSpeakChinese) {
    WidgetPrompter prompter;
    QStringList buttons, labels;
    answerNextWindow(buttons, labels, QStringLiteral("确定"));
    prompter.inform(QStringLiteral("备份成功"), QStringLiteral("提示信息"), ui::MessageKind::Information);
    EXPECT_EQ(buttons, QStringList{QStringLiteral("确定")});

    // A question shows the question icon, an error the critical one.
    std::vector<QMessageBox::Icon> icons;
    const auto closeNextBox = [&] {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            icons.push_back(box->icon());
            box->reject();
        });
    };
    closeNextBox();
    prompter.inform(QStringLiteral("运行中发生错误：磁盘已满"), QStringLiteral("提示信息"), ui::MessageKind::Error);
    closeNextBox();
    prompter.ask(QStringLiteral("删除操作将不可恢复，您确认继续么？"), QStringLiteral("警告信息"), ui::AskStyle::Question);
    EXPECT_EQ(icons, (std::vector<QMessageBox::Icon>{QMessageBox::Critical, QMessageBox::Question}));

    buttons.clear();
    answerNextWindow(buttons, labels, QStringLiteral("否"));
    EXPECT_FALSE(prompter.ask(QStringLiteral("继续吗？"), QStringLiteral("提示信息"), ui::AskStyle::Question));
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("是"), QStringLiteral("否")}));

    // Enter answers a plain question Yes and a warning No.
    const auto pressEnter = [] { QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return); }); };
    pressEnter();
    EXPECT_TRUE(prompter.ask(QStringLiteral("继续吗？"), QStringLiteral("提示信息"), ui::AskStyle::Question));
    pressEnter();
    EXPECT_FALSE(prompter.ask(QStringLiteral("确认准备导入么？"), QStringLiteral("提示："), ui::AskStyle::Warning));

    buttons.clear();
    labels.clear();
    answerNextWindow(buttons, labels, QStringLiteral("取消"));
    ui::FileDialogRequest request;
    request.title = QStringLiteral("备份文件存放为");
    request.folder = QDir::tempPath();
    request.filters = {QStringLiteral("Access文件(*.mdb)")};
    EXPECT_TRUE(prompter.chooseSaveFile(request).path.isEmpty());
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("保存"), QStringLiteral("取消")}));
    for (const char* label : {"查找范围：", "文件名：", "文件类型："})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(label))) << label << " in " << labels.join(QLatin1Char('|')).toStdString();

    // A name typed with double quotes is one name, saved where it was typed.
    QTemporaryDir folder;
    request.folder = folder.path();
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QTest::keyClicks(name, QStringLiteral("\"report\" copy.mdb"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    EXPECT_EQ(prompter.chooseSaveFile(request).path, folder.filePath(QStringLiteral("\"report\" copy.mdb")));
}

TEST(WidgetPrompter, QtsOwnTextsAreChineseOnceItsTranslationsAreLoaded) {
    ASSERT_TRUE(installQtChineseTexts(*QCoreApplication::instance()));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("查找范围："));
}

TEST(QuestionDialog, ShowsTheAskedButtonsAndGrowsWithTheText) {
    TQuestionDlg shortQuestion(QStringLiteral("继续吗？"), ui::qbNo | ui::qbYesToAll);
    shortQuestion.show();
    EXPECT_FALSE(shortQuestion.button(ui::qbYes)->isVisible());
    EXPECT_TRUE(shortQuestion.button(ui::qbNo)->isVisible());
    EXPECT_TRUE(shortQuestion.button(ui::qbYesToAll)->isVisible());
    EXPECT_FALSE(shortQuestion.button(ui::qbNoToAll)->isVisible());
    EXPECT_EQ(shortQuestion.windowTitle(), QStringLiteral("提示信息"));
    // Two buttons of 297 less two hidden ones: at least 1.5 times that wide.
    EXPECT_GE(shortQuestion.width(), int(1.5 * (297 - 2 * 74)));

    TQuestionDlg longQuestion(QString(80, QChar(0x6570)), ui::qbNo | ui::qbYesToAll);
    longQuestion.show();
    EXPECT_GT(longQuestion.width(), shortQuestion.width());

    EXPECT_EQ(shortQuestion.answer(), ui::qaCancel);
    shortQuestion.button(ui::qbYesToAll)->click();
    EXPECT_EQ(shortQuestion.answer(), ui::qaYesToAll);
}

TEST(ProgressWindow, CountsDoneAndWaitingAndStopsAtTheEnd) {
    TProgressBarForm window;
    window.start(3, 0);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.timerRunning());
    EXPECT_EQ(window.doneText(), QStringLiteral("已完成 0"));
    window.step();
    window.tick();
    EXPECT_EQ(window.waitingText(), QStringLiteral("待完成 2"));
    window.step();
    window.step();
    EXPECT_FALSE(window.timerRunning());
    window.hide();
    EXPECT_FALSE(window.isVisible());
}

TEST(CodePicker, MarksTheCurrentCodeAndSetsTheChoice) {
    const TMenuItemDataArray levels = {{1, QStringLiteral("省级地方工会")}, {10, QStringLiteral(" 乡镇工会 ")}};
    TButtonEdit edit;
    edit.setTag(10);
    int picked = -1;
    test::prompts().menuChoices = {1};
    ShowCodePicker(&edit, levels, [&](int code) { picked = code; });
    EXPECT_EQ(test::prompts().lastMenu, (QStringList{QStringLiteral("省级地方工会"), QStringLiteral("✓ 乡镇工会 ")}));
    EXPECT_EQ(edit.text(), QStringLiteral("乡镇工会"));
    EXPECT_EQ(edit.tag(), 10);
    EXPECT_EQ(picked, 10);

    // A tag of -1 marks nothing; choosing nothing changes nothing.
    edit.setTag(-1);
    picked = -1;
    ShowCodePicker(&edit, levels, [&](int code) { picked = code; });
    EXPECT_EQ(test::prompts().lastMenu, (QStringList{QStringLiteral("省级地方工会"), QStringLiteral(" 乡镇工会 ")}));
    EXPECT_EQ(edit.tag(), -1);
    EXPECT_EQ(picked, -1);
    EXPECT_EQ(edit.text(), QStringLiteral("乡镇工会"));
}

namespace {

class CityNameFormTest : public ::testing::Test {
protected:
    void SetUp() override { connection.open(folder.copyOfSystemDataFile(), db::Access::ReadOnly); }
    static int select(QListWidget* list, const QString& name) {
        const auto items = list->findItems(name, Qt::MatchExactly);
        if (items.isEmpty()) return -1;
        list->setCurrentItem(items.first());
        return list->row(items.first());
    }
    test::TempFolder folder;
    db::Connection connection;
};

} // namespace

TEST_F(CityNameFormTest, StartsOnTheGivenCodeAndConfirmsTheCounty) {
    TCityNameForm picker(connection, 130102);
    EXPECT_EQ(picker.windowTitle(), QStringLiteral("中华人民共和国行政区划"));
    EXPECT_EQ(picker.provinces()->currentItem()->text(), QStringLiteral("河北省"));
    EXPECT_EQ(picker.prefectures()->currentItem()->text(), QStringLiteral("石家庄市"));
    EXPECT_EQ(picker.counties()->currentItem()->text(), QStringLiteral("长安区"));
    // The prefecture's own row heads the third list.
    EXPECT_EQ(picker.counties()->item(0)->text(), QStringLiteral("石家庄市"));
    picker.confirmChoice();
    EXPECT_EQ(picker.result(), QDialog::Accepted);
    EXPECT_EQ(picker.chosenCode(), 130102);
    EXPECT_EQ(picker.chosenName(), QStringLiteral("河北省石家庄市长安区"));
}

TEST_F(CityNameFormTest, ClickingAProvinceShowsItsDistricts) {
    TCityNameForm picker(connection, 0);
    EXPECT_EQ(picker.chosenCode(), 110100);
    EXPECT_EQ(picker.chosenName(), QStringLiteral("北京市"));
    const int row = select(picker.provinces(), QStringLiteral("北京市"));
    ASSERT_GE(row, 0);
    emit picker.provinces()->itemClicked(picker.provinces()->item(row));
    ASSERT_GT(picker.counties()->count(), 10);
    EXPECT_EQ(picker.prefectures()->currentItem()->text(), QStringLiteral("市辖区"));
    EXPECT_EQ(picker.counties()->currentItem()->text(), QStringLiteral("市辖区"));
    select(picker.counties(), QStringLiteral("东城区"));
    emit picker.counties()->itemDoubleClicked(picker.counties()->currentItem());
    EXPECT_EQ(picker.chosenCode(), 110101);
    EXPECT_EQ(picker.chosenName(), QStringLiteral("北京市东城区"));
}

TEST_F(CityNameFormTest, AProvinceWithoutCountiesConfirmsItself) {
    TCityNameForm picker(connection, 130102);
    const int row = select(picker.provinces(), QStringLiteral("台湾省"));
    ASSERT_GE(row, 0);
    QTest::keyClick(picker.provinces(), Qt::Key_Down);
    select(picker.provinces(), QStringLiteral("台湾省"));
    emit picker.provinces()->itemClicked(picker.provinces()->currentItem());
    EXPECT_EQ(picker.counties()->count(), 0);
    picker.confirmChoice();
    EXPECT_EQ(picker.chosenCode(), 710000);
    EXPECT_EQ(picker.chosenName(), QStringLiteral("台湾省"));
}

TEST(OptionSetup, OkKeepsTheShownChoiceAndStoresIt) {
    InitSettings(programApplicationName());
    setPreferredInputMethod(QStringLiteral("ibus"));
    TdlgOptionSetupForm dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("软件参数设置"));
    EXPECT_EQ(dialog.inputMethods()->currentText(), QStringLiteral("ibus"));
    EXPECT_FALSE(dialog.inputMethods()->isEditable());
    // The number of automatic backups kept, typed over the shown one.
    setAutoBackupsKept(10);
    TdlgOptionSetupForm typed;
    EXPECT_EQ(typed.backupsKept()->value(), 10);
    QTest::keyClick(typed.backupsKept(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(typed.backupsKept(), QStringLiteral("3"));
    typed.accept();
    EXPECT_EQ(autoBackupsKept(), 3);
    setAutoBackupsKept(10);
    dialog.accept();
    EXPECT_EQ(preferredInputMethod(), QStringLiteral("ibus"));
    EXPECT_EQ(ReadSettingText(QStringLiteral("ImePrefer"), {}, SettingsRoot::LocalMachine, environmentKey()), QStringLiteral("ibus"));
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("ImportPrinciple"), 9, SettingsRoot::LocalMachine, environmentKey()), 0);
}

TEST_F(CityNameFormTest, EveryCountyCanBeReachedThroughTheLists) {
    TCityNameForm picker(connection, 500101);
    const int row = select(picker.prefectures(), QStringLiteral("县"));
    ASSERT_GE(row, 0) << "the counties of 重庆 need their grouping row";
    emit picker.prefectures()->itemClicked(picker.prefectures()->item(row));
    select(picker.counties(), QStringLiteral("城口县"));
    picker.confirmChoice();
    EXPECT_EQ(picker.chosenName(), QStringLiteral("重庆市城口县"));
    // Every county lies below a prefecture-level row of the second list.
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT count(*) FROM CT_CityName c WHERE Code3<>0 AND NOT EXISTS "
                                               "(SELECT 1 FROM CT_CityName p WHERE p.Code1=c.Code1 AND p.Code2=c.Code2 AND p.Code3=0)"))
                  .toInt(),
              0);
}

TEST(NumericEdit, TypesDigitsWithinTheLimitsAndShowsItsFormat) {
    QWidget window;
    auto* edit = new TNumericEdit(&window);
    auto* other = new QLineEdit(&window);
    edit->setLimits(0, 99999999, 0, false);
    edit->setFormat(TNumericEdit::Format::Thousands);
    window.show();
    QApplication::setActiveWindow(&window);
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("12a3.4-5678"));
    EXPECT_EQ(edit->text(), QStringLiteral("12345678"));  // no letters, points or signs in a count
    QTest::keyClicks(edit, QStringLiteral("9"));          // would exceed the maximum
    EXPECT_EQ(edit->value(), 12345678);
    other->setFocus();
    EXPECT_EQ(edit->text(), QStringLiteral("12,345,678"));
    EXPECT_EQ(edit->plainText(), QStringLiteral("12345678"));
    edit->setFocus();
    EXPECT_EQ(edit->text(), QStringLiteral("12345678"));

    // A yes/no answer takes one character, at most 2; a blank reads as the blank value.
    edit->setLimits(0, 2, 1, false);
    edit->setText(QString());
    QTest::keyClicks(edit, QStringLiteral("3"));
    EXPECT_TRUE(edit->isBlank());
    EXPECT_EQ(edit->value(), 0);
    QTest::keyClicks(edit, QStringLiteral("21"));
    EXPECT_EQ(edit->text(), QStringLiteral("2"));

    // Amounts may have decimals; the division code always shows six digits.
    edit->setLimits(0, 99999999, 0, true);
    edit->setText(QString());
    QTest::keyClicks(edit, QStringLiteral("1234.5"));
    EXPECT_DOUBLE_EQ(edit->value(), 1234.5);
    other->setFocus();
    EXPECT_EQ(edit->text(), QStringLiteral("1,234.5"));
    edit->setFormat(TNumericEdit::Format::SixDigits);
    edit->setValue(11);
    EXPECT_EQ(edit->text(), QStringLiteral("000011"));
}
