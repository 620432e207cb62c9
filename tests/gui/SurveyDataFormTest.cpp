#include "app/MainForm.h"
#include "core/InputMethod.h"
#include "core/Platform.h"
#include "core/Settings.h"
#include "core/Startup.h"
#include "checks/MessageListWin.h"
#include "db/RecordSet.h"
#include "entry/ButtonEdit.h"
#include "entry/NumericEdit.h"
#include "entry/QuValidEdit.h"
#include "entry/SurveyDataForm.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputMethodEvent>
#include <QLabel>
#include <QScrollBar>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

namespace {

// The entry dialog over a private copy of the system data file, with the
// record list of the main window.
class SurveyDataFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        setProgramFolder(folder.path(QString()));
        folder.copyOfSystemDataFile(QStringLiteral("2019NB_qv_201908291730.mdb"));
        QDir().mkpath(folder.path(QStringLiteral("notes")));
        const QDir notes(test::builtProgramFolder() + QStringLiteral("notes"));
        for (const QString& name : notes.entryList(QDir::Files))
            QFile::copy(notes.filePath(name), folder.path(QStringLiteral("notes/") + name));
        ASSERT_TRUE(OpenSurveyDatabase());
        dialog = std::make_unique<TdlgSurveyDataForm>(workingDatabase().connection);
        errorList = dialog->errorList();
    }
    void TearDown() override {
        dialog.reset();
        list.close();
        workingDatabase().connection.close();
        setProgramFolder({});
    }
    db::Connection& db() { return workingDatabase().connection; }
    void addRecord(qint64 code, int level = 10, int state = 1) {
        db().execute(QStringLiteral("INSERT INTO dt_data(c901, c902, c903, c904, c905, c906, c907, z001, RecordState) "
                                    "VALUES (?, '已有单位', 110101, ?, '李四', '13912345678', ?, 50, 1)"),
                     {code, level, state});
    }
    void openList() { list.openKeyed(db(), QStringLiteral("SELECT\t* from view_data_all order by c901 asc"), QStringLiteral("c901")); }
    void show(bool add) {
        openList();
        dialog->setAddMode(add);
        dialog->setRecordList(&list);
        dialog->prepareToShow();
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
    }
    // Opens the dialog modally, as the main window does, and runs `steps` inside its loop.
    void runModal(bool add, const std::function<void()>& steps) {
        openList();
        dialog->setAddMode(add);
        dialog->setRecordList(&list);
        QTimer::singleShot(0, dialog.get(), [&] {
            QApplication::setActiveWindow(dialog.get());
            steps();
            dialog->returnToCaller();
        });
        dialog->exec();
    }
    TNumericEdit* number(const char* name) { return dialog->numberField(QLatin1String(name)); }
    TQuValidEdit* text(const char* name) { return dialog->textField(QLatin1String(name)); }
    QToolButton* button(const char* name) { return dialog->button(QLatin1String(name)); }
    // A cover that passes every rule, typed as a clerk would leave it.
    void fillCover(qint64 code, int level = 10, int state = 1) {
        number("c901")->setValue(double(code));
        text("c902")->setText(QStringLiteral("新建工会联合会"));
        number("c903")->setValue(110101);
        number("c904")->setValue(level);
        dialog->ApplyLevelRules(level);
        dialog->ApplyReportingState(state);
        text("c905")->setText(QStringLiteral("张三"));
        text("c906")->setText(QStringLiteral("010-12345678"));
    }
    // A clerk's ways into the fields: a click, a selection of all that it holds, typing.
    static void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(4, w->height() / 2)); }
    static void selectAll(QWidget* w) {
        QTest::keyClick(w, Qt::Key_End);
        QTest::keyClick(w, Qt::Key_Home, Qt::ShiftModifier);
    }
    // Key presses carrying the text, Chinese characters too.
    static void type(QWidget* w, const QString& typed) {
        for (const QChar c : typed) {
            if (c.unicode() < 128) QTest::keyClick(w, char(c.unicode()));
            else QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    void retype(QWidget* field, const QString& typed) {
        click(field);
        selectAll(field);
        if (typed.isEmpty()) QTest::keyClick(field, Qt::Key_Backspace);
        else type(field, typed);
    }
    static QWidget* focused() { return QApplication::focusWidget(); }
    // Types the whole cover from c901 on, each field left with Enter.
    void typeCover(const QString& code, int level, int state) {
        click(number("c901"));
        const QStringList values = {code, QStringLiteral("新建工会联合会"), QStringLiteral("110101"), QString::number(level),
                                    QString::number(state), QStringLiteral("张三"), QStringLiteral("010-12345678")};
        for (const QString& value : values) {
            QWidget* field = focused();
            selectAll(field);
            type(field, value);
            QTest::keyClick(field, Qt::Key_Return);
        }
    }
    QTabBar* tabs() { return dialog->findChild<QTabBar*>(); }
    void clickTab(int page) { QTest::mouseClick(tabs(), Qt::LeftButton, {}, tabs()->tabRect(page).center()); }
    int rows(const QString& where = QStringLiteral("1=1")) {
        return db().scalar(QStringLiteral("SELECT count(*) FROM dt_data WHERE ") + where).toInt();
    }
    QVariant stored(qint64 code, const char* column) {
        return db().scalar(QStringLiteral("SELECT %1 FROM dt_data WHERE c901=?").arg(QLatin1String(column)), {code});
    }

    test::TempFolder folder;
    db::RecordSet list;
    TMessageListWinForm* errorList = nullptr;
    std::unique_ptr<TdlgSurveyDataForm> dialog;
};

} // namespace

TEST_F(SurveyDataFormTest, AddingIntoAnEmptyTableProposesCodeZero) {
    show(true);
    EXPECT_EQ(number("c901")->plainText(), QStringLiteral("0"));
    EXPECT_EQ(dialog->itemNo()->text(), QStringLiteral("第1条/共1条"));
    EXPECT_EQ(number("c904")->value(), 10);
    EXPECT_EQ(number("c907")->value(), 0);
    EXPECT_TRUE(dialog->stateName()->text().isEmpty());
    EXPECT_FALSE(button("tbHold")->isEnabled());
    EXPECT_FALSE(button("tbAdd")->isEnabled());
    EXPECT_TRUE(button("tbAdd")->isVisibleTo(dialog.get()));
    EXPECT_FALSE(button("tbSave")->isVisibleTo(dialog.get()));
    EXPECT_FALSE(button("tbPrint")->isEnabled());
    EXPECT_EQ(dialog->currentPage(), 0);
    EXPECT_TRUE(dialog->notes()->toPlainText().startsWith(QStringLiteral("封面")));
}

TEST_F(SurveyDataFormTest, HoldThenSaveLeavesOneRow) {
    addRecord(110101000001);
    show(true);
    EXPECT_EQ(number("c901")->plainText(), QStringLiteral("110101000002"));
    fillCover(110101000002);
    number("z001")->setValue(30);
    EXPECT_TRUE(button("tbHold")->isEnabled());
    dialog->holdRecord();
    EXPECT_EQ(test::prompts().messages.last(), QStringLiteral("数据已经被临时保存。"));
    EXPECT_EQ(stored(110101000002, "RecordState").toInt(), 0);
    EXPECT_FALSE(button("tbHold")->isEnabled());
    EXPECT_TRUE(button("tbAdd")->isEnabled());

    dialog->saveRecord();
    EXPECT_EQ(rows(), 2);
    const int state = stored(110101000002, "RecordState").toInt();
    EXPECT_TRUE(state == 1 || state == 2) << state;
    EXPECT_EQ(stored(110101000002, "z001").toInt(), 30);
    EXPECT_TRUE(test::prompts().messages.last().startsWith(QStringLiteral("数据保存成功，")));
    // The next new record: a new code and the cover values just used.
    EXPECT_EQ(number("c901")->plainText(), QStringLiteral("110101000003"));
    EXPECT_EQ(number("c903")->value(), 110101);
    EXPECT_EQ(dialog->cityNameCtrl()->text(), QStringLiteral("北京市东城区"));
    EXPECT_EQ(text("c905")->text(), QStringLiteral("张三"));
    EXPECT_EQ(text("c906")->text(), QStringLiteral("010-12345678"));
    EXPECT_EQ(number("c904")->value(), 10);
    EXPECT_EQ(number("c907")->value(), 0);
}

TEST_F(SurveyDataFormTest, ANonReportingOrganisationIsSavedCleanWithoutChecks) {
    show(true);
    fillCover(110101000009, 3, 3);
    dialog->saveRecord();
    EXPECT_EQ(stored(110101000009, "RecordState").toInt(), 1);
    EXPECT_TRUE(errorList->isEmptyList());
    EXPECT_EQ(test::prompts().messages.last(), QStringLiteral("数据保存成功，没有逻辑错误！"));
}

TEST_F(SurveyDataFormTest, StateThreeZeroesEveryIndicatorAndStateOneEnablesThemAgain) {
    addRecord(110101000001, 3);
    show(false);
    db().execute(QStringLiteral("UPDATE dt_data SET y012=7"));
    EXPECT_EQ(number("z001")->value(), 50);
    dialog->ApplyReportingState(3);
    int enabled = 0, nonZero = 0;
    for (const QString& prefix : {QStringLiteral("z"), QStringLiteral("b"), QStringLiteral("d"), QStringLiteral("y")})
        for (int i = 1; i <= 11; ++i) {
            TNumericEdit* e = dialog->numberField(prefix + QString::asprintf("%03d", i));
            enabled += e->isEnabled();
            nonZero += e->value() != 0;
        }
    EXPECT_EQ(enabled, 0);
    EXPECT_EQ(nonZero, 0);
    // Zeroing the non-zero indicators is a change of the record, which may be held again.
    EXPECT_TRUE(button("tbHold")->isEnabled());
    EXPECT_FALSE(button("tbCheck")->isEnabled());
    dialog->ApplyReportingState(1);
    EXPECT_TRUE(number("z001")->isEnabled());
    EXPECT_TRUE(number("d030")->isEnabled());  // level 3 may fill the cadre sheets
    EXPECT_TRUE(button("tbHold")->isEnabled());
    EXPECT_TRUE(button("tbCheck")->isEnabled());
}

TEST_F(SurveyDataFormTest, LevelRulesEnableAndClearFields) {
    addRecord(110101000001, 3);
    show(false);
    number("d012")->setValue(40);
    dialog->ApplyLevelRules(10);  // a township union fills no cadre sheet
    EXPECT_FALSE(number("d012")->isEnabled());
    EXPECT_EQ(number("d012")->value(), 0);
    EXPECT_TRUE(number("z009")->isEnabled());
    dialog->ApplyLevelRules(1);
    EXPECT_TRUE(number("d012")->isEnabled());
    EXPECT_FALSE(number("z009")->isEnabled());
}

TEST_F(SurveyDataFormTest, TheCloseBoxAsksButReturnDoesNot) {
    addRecord(110101000001);
    show(false);
    text("c902")->setText(QStringLiteral("改名"));
    test::prompts().answers = {false};
    dialog->close();
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("对数据改动后尚未保存，准备保存这些改动吗？")});
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(stored(110101000001, "c902").toString(), QStringLiteral("已有单位"));

    test::prompts().clear();
    dialog->prepareToShow();
    dialog->show();
    text("c902")->setText(QStringLiteral("又改名"));
    dialog->returnToCaller();
    EXPECT_TRUE(test::prompts().messages.isEmpty());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(stored(110101000001, "c902").toString(), QStringLiteral("已有单位"));
}

TEST_F(SurveyDataFormTest, YesWithABrokenRuleHoldsTheRecord) {
    addRecord(110101000001);
    show(false);
    number("z002")->setValue(80);  // more women members than members
    test::prompts().answers = {true};
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(stored(110101000001, "RecordState").toInt(), 0);
    EXPECT_EQ(stored(110101000001, "z002").toInt(), 80);
}

TEST_F(SurveyDataFormTest, MovingOnAfterAChangeAsksAndACoverErrorStopsTheMove) {
    addRecord(110101000001);
    addRecord(110101000002);
    show(false);
    EXPECT_EQ(dialog->itemNo()->text(), QStringLiteral("第1条/共2条"));
    EXPECT_FALSE(dialog->navigation(QStringLiteral("actPrev"))->isEnabled());
    EXPECT_TRUE(dialog->navigation(QStringLiteral("actNext"))->isEnabled());
    text("c905")->setText(QStringLiteral("Li"));
    test::prompts().answers = {true};
    dialog->moveTo(TdlgSurveyDataForm::Step::Next);
    EXPECT_EQ(test::prompts().messages,
              (QStringList{QStringLiteral("对数据改动后尚未保存，准备保存这些改动吗？"), QStringLiteral("填表人必须为汉字")}));
    EXPECT_EQ(list.position(), 0);
    EXPECT_EQ(number("c901")->plainText(), QStringLiteral("110101000001"));

    test::prompts().clear();
    test::prompts().answers = {false};
    dialog->moveTo(TdlgSurveyDataForm::Step::Next);
    EXPECT_EQ(list.position(), 1);
    EXPECT_EQ(number("c901")->plainText(), QStringLiteral("110101000002"));
    EXPECT_EQ(dialog->itemNo()->text(), QStringLiteral("第2条/共2条"));
    EXPECT_FALSE(dialog->navigation(QStringLiteral("actNext"))->isEnabled());
    EXPECT_EQ(stored(110101000001, "c905").toString(), QStringLiteral("李四"));
}

TEST_F(SurveyDataFormTest, ChangingTheCodeToAnotherRecordsCodeIsRefused) {
    addRecord(110101000001);
    addRecord(110101000002);
    show(false);
    number("c901")->setValue(110101000002.0);
    dialog->saveRecord();
    EXPECT_EQ(test::prompts().messages,
              QStringList{QStringLiteral("在修改数据时，将本级工会编码改为110101000002，该编码的数据已经存在，请改用其它编码。")});
    EXPECT_FALSE(button("tbSave")->isEnabled());
    EXPECT_FALSE(button("tbHold")->isEnabled());
    EXPECT_EQ(rows(QStringLiteral("c902='已有单位'")), 2);
}

TEST_F(SurveyDataFormTest, PageChecksListTheNewPageFirst) {
    addRecord(110101000001, 3);
    show(false);
    number("b004")->setValue(1);
    number("b005")->setValue(5);   // page 3: b005 <= b004 broken
    number("f004")->setValue(1);
    number("f005")->setValue(5);   // page 5: f005 <= f004 broken
    ASSERT_TRUE(dialog->turnToPage(3));
    ASSERT_TRUE(dialog->turnToPage(5));
    ASSERT_GE(errorList->findingCount(), 2);
    EXPECT_EQ(errorList->cell(0, 3), QStringLiteral("5"));
    EXPECT_EQ(errorList->cell(errorList->findingCount() - 1, 3), QStringLiteral("3"));
    EXPECT_TRUE(errorList->isVisible());
    // Explanations read the captions and the operators in words.
    bool rendered = false;
    for (int row = 0; row < errorList->findingCount(); ++row)
        rendered = rendered || errorList->cell(row, 2).contains(QStringLiteral("]不能大于["));
    EXPECT_TRUE(rendered);
}

TEST_F(SurveyDataFormTest, LeavingTheCoverWithAnEmptyNameStaysThere) {
    addRecord(110101000001);
    show(false);
    text("c902")->clear();
    test::prompts().clear();
    EXPECT_FALSE(dialog->turnToPage(2));
    EXPECT_EQ(dialog->currentPage(), 0);
    EXPECT_TRUE(test::prompts().messages.contains(QStringLiteral("必须输入本级工会名称")));
    EXPECT_TRUE(errorList->isEmptyList());
}

TEST_F(SurveyDataFormTest, TheErrorListTakesTheMouseWhileTheDialogRunsAndLeavesItsButtonsFree) {
    addRecord(110101000001, 3);
    db().execute(QStringLiteral("UPDATE dt_data SET b004=1, b005=5"));  // page 3: b005 <= b004 broken
    runModal(false, [&] {
        clickTab(3);
        clickTab(1);
        ASSERT_TRUE(errorList->isVisible());
        EXPECT_EQ(errorList->size(), QSize(900, 258));
        for (const char* name : {"tbSave", "tbCheck", "tbPrint", "tbReturn"}) {
            QToolButton* b = button(name);
            EXPECT_FALSE(errorList->frameGeometry().intersects(QRect(b->mapToGlobal(QPoint()), b->size()))) << name;
        }
        EXPECT_FALSE(errorList->frameGeometry().intersects(QRect(tabs()->mapToGlobal(QPoint()), tabs()->size())));
        // A real double click on the list's window, through the window system's
        // delivery, which drops the input of windows that a modal loop blocks.
        QTableWidget* grid = errorList->grid();
        int row = 0;
        while (errorList->cell(row, 3) != QStringLiteral("3")) ++row;
        const QString field = errorList->cell(row, 4);
        const QPoint cell = grid->visualItemRect(grid->item(row, 1)).center();
        QTest::mouseDClick(errorList->windowHandle(), Qt::LeftButton, {}, grid->viewport()->mapTo(errorList, cell));
        EXPECT_EQ(dialog->currentPage(), 3);
        EXPECT_EQ(dialog->focusWidget(), dialog->control(field));
        EXPECT_EQ(QApplication::activeWindow(), dialog.get());
    });
}

TEST_F(SurveyDataFormTest, TheNextNewRecordStartsWithAnEmptyErrorList) {
    runModal(true, [&] {
        typeCover(QStringLiteral("110101000001"), 3, 1);
        retype(number("z001"), QStringLiteral("50"));
        retype(number("z002"), QStringLiteral("80"));  // more women members than members
        click(button("tbAdd"));
        ASSERT_EQ(test::prompts().messages.last(), QStringLiteral("数据保存成功，有逻辑错误！"));
        EXPECT_EQ(number("c901")->plainText(), QStringLiteral("110101000002"));
        EXPECT_TRUE(errorList->isEmptyList());
        EXPECT_FALSE(errorList->isVisible());
    });
    EXPECT_EQ(stored(110101000001, "RecordState").toInt(), 2);
}

TEST_F(SurveyDataFormTest, ASaveThatMeetsALockSaysNothingWasSavedAndKeepsWhatWasTyped) {
    addRecord(110101000001, 3);
    runModal(false, [&] {
        retype(text("c902"), QStringLiteral("改名"));
        db::Connection otherProgram;
        otherProgram.open(folder.path(QStringLiteral("2019NB_qv_201908291730.mdb")));
        otherProgram.executeScript(QStringLiteral("BEGIN EXCLUSIVE"));
        click(button("tbSave"));
        ASSERT_EQ(test::prompts().messages.size(), 1) << test::prompts().messages.join(QLatin1Char('|')).toStdString();
        const QString said = test::prompts().messages[0];
        EXPECT_TRUE(said.startsWith(QStringLiteral("保存过程中遇到错误：数据库文件正被其他程序使用"))) << said.toStdString();
        EXPECT_TRUE(said.endsWith(QStringLiteral("数据没有被保存。请与软件发行者联系。"))) << said.toStdString();
        EXPECT_EQ(text("c902")->text(), QStringLiteral("改名"));
        EXPECT_TRUE(button("tbSave")->isEnabled());
        otherProgram.rollback();
        otherProgram.close();
        click(button("tbSave"));
        EXPECT_TRUE(test::prompts().messages.last().startsWith(QStringLiteral("数据保存成功"))) << test::prompts().messages.last().toStdString();
    });
    EXPECT_EQ(stored(110101000001, "c902").toString(), QStringLiteral("改名"));
}

TEST_F(SurveyDataFormTest, EnterOnTheLastFieldSavesAndUpOnTheCoverGoesToTheLastPage) {
    addRecord(110101000001, 3);
    show(false);
    number("z002")->setValue(1);  // a change to save
    ASSERT_TRUE(dialog->turnToPage(13));
    errorList->clearList();
    number("y012")->setFocus();
    QTest::keyClick(number("y012"), Qt::Key_Return);
    EXPECT_TRUE(test::prompts().messages.last().startsWith(QStringLiteral("数据保存成功")));
    EXPECT_EQ(stored(110101000001, "z002").toInt(), 1);

    ASSERT_TRUE(dialog->turnToPage(0));
    number("c901")->setFocus();
    QTest::keyClick(number("c901"), Qt::Key_Up);
    EXPECT_EQ(dialog->currentPage(), 13);
}

TEST_F(SurveyDataFormTest, TheTelephoneAndFillerFieldsDropWrongCharacters) {
    addRecord(110101000001);
    show(false);
    text("c906")->clear();
    text("c906")->setFocus();
    QTest::keyClicks(text("c906"), QStringLiteral("010a-1'2"));
    EXPECT_EQ(text("c906")->text(), QStringLiteral("010-12"));
    text("c905")->clear();
    text("c905")->setFocus();
    QTest::keyClicks(text("c905"), QStringLiteral("A1.b"));
    EXPECT_TRUE(text("c905")->text().isEmpty());
    text("c902")->setFocus();
    QTest::keyClicks(text("c902"), QStringLiteral("x'\"`y"));
    EXPECT_TRUE(text("c902")->text().endsWith(QStringLiteral("xy")));
}

TEST_F(SurveyDataFormTest, TheFirstRecordOfAnEmptyDatabaseIsTypedInFromTheKeyboard) {
    show(true);
    typeCover(QStringLiteral("110101000001"), 3, 1);
    EXPECT_TRUE(test::prompts().messages.isEmpty()) << test::prompts().messages.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(dialog->currentPage(), 1);  // Enter on the last cover field turns the page
    EXPECT_EQ(dialog->levelName()->text(), QStringLiteral("县级地方工会"));
    click(button("tbAdd"));
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(stored(110101000001, "c904").toInt(), 3);
    EXPECT_EQ(stored(110101000001, "c902").toString(), QStringLiteral("新建工会联合会"));
}

TEST_F(SurveyDataFormTest, LeavingANumericCoverFieldChecksWhatWasTyped) {
    addRecord(110101000001, 10);
    show(false);
    retype(number("c903"), QStringLiteral("110102"));
    QTest::keyClick(focused(), Qt::Key_Return);
    EXPECT_EQ(dialog->cityNameCtrl()->text(), QStringLiteral("北京市西城区"));
    EXPECT_EQ(focused(), number("c904"));
    retype(number("c904"), QStringLiteral("3"));
    QTest::keyClick(focused(), Qt::Key_Return);
    EXPECT_EQ(number("c904")->value(), 3);
    EXPECT_EQ(dialog->levelName()->text(), QStringLiteral("县级地方工会"));
    EXPECT_TRUE(number("d012")->isEnabled());  // a county union fills the cadre sheets
    retype(number("c907"), QStringLiteral("3"));
    QTest::keyClick(focused(), Qt::Key_Return);
    EXPECT_EQ(number("c907")->value(), 3);
    EXPECT_EQ(number("z001")->value(), 0);
    EXPECT_FALSE(number("z001")->isEnabled());
    EXPECT_TRUE(test::prompts().messages.isEmpty()) << test::prompts().messages.join(QLatin1Char('|')).toStdString();
}

TEST_F(SurveyDataFormTest, AFieldReachedFromTheKeyboardIsTypedOver) {
    addRecord(110101000001);
    show(false);
    click(text("c902"));
    QTest::keyClick(focused(), Qt::Key_Return);
    ASSERT_EQ(focused(), number("c903"));
    EXPECT_EQ(number("c903")->selectedText(), QStringLiteral("110101"));
    type(focused(), QStringLiteral("110102"));
    EXPECT_EQ(number("c903")->plainText(), QStringLiteral("110102"));
    QTest::keyClick(focused(), Qt::Key_Down);
    EXPECT_EQ(number("c904")->selectedText(), QStringLiteral("10"));
    QTest::keyClick(focused(), Qt::Key_Up);
    EXPECT_EQ(focused(), number("c903"));
    EXPECT_EQ(number("c903")->selectedText(), QStringLiteral("110102"));
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_EQ(focused(), number("c904"));
    EXPECT_EQ(number("c904")->selectedText(), QStringLiteral("10"));
    // The first field of a page turned to.
    clickTab(1);
    ASSERT_EQ(focused(), number("z001"));
    EXPECT_EQ(number("z001")->selectedText(), QStringLiteral("50"));
}

TEST_F(SurveyDataFormTest, ADoubleClickOnAFindingOfTheShownPageOnlyMovesTheFocus) {
    addRecord(110101000001, 3);
    db().execute(QStringLiteral("UPDATE dt_data SET b004=1, b005=5, f004=1, f005=5"));
    show(false);
    clickTab(3);
    clickTab(5);
    ASSERT_TRUE(errorList->isVisible());
    const int findings = errorList->findingCount();
    QStringList pages;
    for (int row = 0; row < findings; ++row) pages << errorList->cell(row, 3);
    ASSERT_TRUE(pages.contains(QStringLiteral("3")) && pages.contains(QStringLiteral("5")));
    QTableWidget* grid = errorList->grid();
    const int row = int(pages.indexOf(QStringLiteral("5")));
    const QPoint at = grid->visualItemRect(grid->item(row, 1)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(dialog->currentPage(), 5);
    EXPECT_EQ(focused(), dialog->control(errorList->cell(row, 4)));
    QStringList after;
    for (int r = 0; r < errorList->findingCount(); ++r) after << errorList->cell(r, 3);
    EXPECT_EQ(after, pages);
}

TEST_F(SurveyDataFormTest, TheCodeHasTheFocusWhenTheDialogOpens) {
    addRecord(110101000001);
    show(true);
    EXPECT_EQ(focused(), number("c901"));
    EXPECT_EQ(number("c901")->selectedText(), QStringLiteral("110101000002"));
    click(number("c904"));
    click(number("c907"));
    EXPECT_TRUE(test::prompts().messages.isEmpty()) << test::prompts().messages.join(QLatin1Char('|')).toStdString();
}

TEST_F(SurveyDataFormTest, ARefusedPageChangeKeepsTheOldTab) {
    addRecord(110101000001);
    show(false);
    retype(text("c902"), QString());
    clickTab(2);
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("必须输入本级工会名称")});
    EXPECT_EQ(dialog->currentPage(), 0);
    EXPECT_EQ(tabs()->currentIndex(), 0);
    retype(text("c902"), QStringLiteral("新名"));
    clickTab(2);
    EXPECT_EQ(dialog->currentPage(), 2);
    EXPECT_EQ(tabs()->currentIndex(), 2);
}

TEST_F(SurveyDataFormTest, TextLimitsCountGb18030Bytes) {
    addRecord(110101000001);
    db().execute(QStringLiteral("UPDATE dt_data SET c905=?"), {QString(40, QChar(0x674E))});  // 80 bytes from an import
    show(false);
    retype(text("c902"), QString(45, QChar(0x5DE5)));
    EXPECT_EQ(text("c902")->text(), QString(30, QChar(0x5DE5)));
    // A two-byte character that would straddle the limit is not taken.
    retype(text("c902"), QStringLiteral("a") + QString(30, QChar(0x5DE5)));
    EXPECT_EQ(text("c902")->text(), QStringLiteral("a") + QString(29, QChar(0x5DE5)));
    QTest::keyClick(focused(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(stored(110101000001, "c902").toString(), QStringLiteral("a") + QString(29, QChar(0x5DE5)));
    // A text longer than its limit is cut when written, even from inside the field.
    retype(text("c906"), QStringLiteral("13912345678"));
    click(text("c905"));
    QTest::keyClick(focused(), Qt::Key_End);
    type(focused(), QStringLiteral("李"));
    QTest::keyClick(focused(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(stored(110101000001, "c905").toString(), QString(25, QChar(0x674E)));
    EXPECT_EQ(stored(110101000001, "c906").toString(), QStringLiteral("13912345678"));
}

TEST_F(SurveyDataFormTest, InputMethodTextPassesTheSameFilters) {
    addRecord(110101000001);
    show(false);
    auto commit = [](QWidget* field, const QString& typed) {
        QInputMethodEvent event;
        event.setCommitString(typed);
        QApplication::sendEvent(field, &event);
    };
    retype(text("c906"), QString());
    commit(text("c906"), QStringLiteral("010电话abc-1234'"));
    EXPECT_EQ(text("c906")->text(), QStringLiteral("010-1234"));
    retype(text("c905"), QString());
    commit(text("c905"), QStringLiteral("张ab1.三\""));
    EXPECT_EQ(text("c905")->text(), QStringLiteral("张三"));
    // Within the byte limit of the field.
    retype(text("c902"), QString(29, QChar(0x5DE5)));
    commit(text("c902"), QStringLiteral("工会"));
    EXPECT_EQ(text("c902")->text(), QString(30, QChar(0x5DE5)));
}

TEST_F(SurveyDataFormTest, TheRecordAfterANonReportingOneStartsReporting) {
    show(true);
    typeCover(QStringLiteral("110101000001"), 3, 3);
    click(button("tbAdd"));
    ASSERT_EQ(stored(110101000001, "c907").toInt(), 3);
    EXPECT_EQ(number("c901")->plainText(), QStringLiteral("110101000002"));
    EXPECT_EQ(number("c907")->value(), 0);
    EXPECT_TRUE(number("z001")->isEnabled());
    EXPECT_TRUE(button("tbCheck")->isEnabled());
}

TEST_F(SurveyDataFormTest, TheWheelScrollsTheNotesAndNeverSaves) {
    addRecord(110101000001, 3);
    TMainForm main(TMainForm::Options{false});  // its wheel turns elsewhere move like the arrow keys
    show(false);
    auto wheel = [](QWidget* over, int delta) {
        const QPoint local = over->rect().center();
        QWheelEvent event(over->mapTo(over->window(), QPointF(local)), over->mapToGlobal(QPointF(local)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(over->window()->windowHandle(), &event);
    };
    click(number("c901"));
    QScrollBar* notesBar = dialog->notes()->verticalScrollBar();
    ASSERT_GT(notesBar->maximum(), 0);
    wheel(dialog->notes()->viewport(), -120);
    EXPECT_GT(notesBar->value(), 0);
    EXPECT_EQ(focused(), number("c901"));

    clickTab(13);
    retype(number("y012"), QStringLiteral("9"));
    wheel(number("y012"), -120);
    wheel(number("y012"), -120);
    EXPECT_EQ(stored(110101000001, "y012").toInt(), 0);
    EXPECT_TRUE(test::prompts().messages.isEmpty()) << test::prompts().messages.join(QLatin1Char('|')).toStdString();
    wheel(number("y012"), 120);  // up: the field before
    EXPECT_NE(focused(), number("y012"));
    EXPECT_TRUE(focused()->objectName().startsWith(QLatin1Char('y')));
}

TEST_F(SurveyDataFormTest, LongTextsFitAndAmountsShowTwoDecimals) {
    addRecord(110101000001, 3);
    show(false);
    // Long explanations get the row height the style needs, here a style with wide item padding.
    errorList->grid()->setStyleSheet(QStringLiteral("QTableView::item { padding: 9px; }"));
    const QString explanation = QString(12, QChar(0x8BF4)) + QStringLiteral("，") + QString(80, QChar(0x660E));
    QString rule;  // a long expression without blanks, wrapped anywhere
    for (int i = 2; i <= 11; ++i) rule += QStringLiteral("z%1+").arg(i, 3, 10, QLatin1Char('0'));
    rule += QStringLiteral("y001+y002+y003+y004+y005<=z001");
    errorList->addFinding(rule, explanation, QStringLiteral("z002"), 1);
    QTableWidget* grid = errorList->grid();
    const int height = grid->rowHeight(0);
    grid->resizeRowToContents(0);  // the height the view's style and font need
    EXPECT_GE(height, grid->rowHeight(0));
    // The long hints of the commands are tooltips; the dialog has no status area.
    EXPECT_TRUE(button("tbHold")->toolTip().contains(QStringLiteral("临时保存的数据不能被导出或上报")));
    EXPECT_TRUE(button("tbAdd")->toolTip().contains(QStringLiteral("以便输入新的数据")));
    EXPECT_TRUE(button("tbHold")->statusTip().isEmpty());
    // An amount of kind 2 with thousands separators and two decimals.
    clickTab(3);
    retype(number("b016"), QStringLiteral("1234567.5"));
    QTest::keyClick(focused(), Qt::Key_Return);
    EXPECT_EQ(number("b016")->text(), QStringLiteral("1,234,567.50"));
    EXPECT_EQ(number("b016")->value(), 1234567.5);
    EXPECT_EQ(number("z001")->text(), QStringLiteral("50"));
}

TEST_F(SurveyDataFormTest, ChineseFieldsSwitchTheInputMethodOn) {
    addRecord(110101000001);
    std::vector<QStringList> calls;
    SetProgramRunner([&](const QString& program, const QStringList& arguments) {
        calls.push_back(QStringList{QFileInfo(program).fileName()} + arguments);
    });
    const QByteArray path = qgetenv("PATH");
    auto installed = [&](const QStringList& programs) {
        const QString bin = folder.path(QStringLiteral("bin-") + programs.join(QLatin1Char('-')));
        QDir().mkpath(bin);
        for (const QString& name : programs) {
            test::writeAll(bin + QLatin1Char('/') + name, "#!/bin/sh\n");
            QFile::setPermissions(bin + QLatin1Char('/') + name, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", bin.toLocal8Bit());
    };
    show(false);
    installed({QStringLiteral("fcitx5-remote"), QStringLiteral("ibus")});
    click(text("c902"));
    click(number("c903"));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], (QStringList{QStringLiteral("fcitx5-remote"), QStringLiteral("-o")}));

    installed({QStringLiteral("ibus")});
    setPreferredInputMethod(QStringLiteral("libpinyin"));
    for (int i = 0; i < 3; ++i) QTest::keyClick(focused(), Qt::Key_Down);
    ASSERT_EQ(focused(), text("c905"));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1], (QStringList{QStringLiteral("ibus"), QStringLiteral("engine"), QStringLiteral("libpinyin")}));

    // Nothing is run where no input method is installed, nor for number fields.
    installed({});
    QTest::keyClick(focused(), Qt::Key_Down);
    ASSERT_EQ(focused(), text("c906"));
    EXPECT_EQ(calls.size(), 2u);
    qputenv("PATH", path);
    setPreferredInputMethod({});
    SetProgramRunner({});
}
