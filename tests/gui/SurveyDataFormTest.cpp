#include "core/Platform.h"
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
#include <QLabel>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>

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
        errorList = std::make_unique<TMessageListWinForm>();
        dialog = std::make_unique<TdlgSurveyDataForm>(workingDatabase().connection, errorList.get());
    }
    void TearDown() override {
        dialog.reset();
        errorList.reset();
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
    int rows(const QString& where = QStringLiteral("1=1")) {
        return db().scalar(QStringLiteral("SELECT count(*) FROM dt_data WHERE ") + where).toInt();
    }
    QVariant stored(qint64 code, const char* column) {
        return db().scalar(QStringLiteral("SELECT %1 FROM dt_data WHERE c901=?").arg(QLatin1String(column)), {code});
    }

    test::TempFolder folder;
    db::RecordSet list;
    std::unique_ptr<TMessageListWinForm> errorList;
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

TEST_F(SurveyDataFormTest, ADoubleClickOnAFindingLeadsToItsField) {
    addRecord(110101000001, 3);
    show(false);
    errorList->addFinding(QStringLiteral("d030<=1"), QStringLiteral("说明"), QStringLiteral("d030"), 12);
    errorList->showList();
    emit errorList->grid()->cellDoubleClicked(0, 1);
    EXPECT_EQ(dialog->currentPage(), 12);
    EXPECT_EQ(QApplication::focusWidget(), number("d030"));
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
