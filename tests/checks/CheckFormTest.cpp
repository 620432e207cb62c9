#include "checks/CheckForm.h"

#include "CheckTestSupport.h"
#include "app/MainForm.h"
#include "checks/CheckResultsForm.h"
#include "entry/SurveyDataForm.h"
#include "widgets/RecordGrid.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QTableView>
#include <QTimer>
#include <functional>

namespace {

// Clicks a button as soon as it is enabled: during a run, at the run's first pass of events.
void clickWhenEnabled(QPushButton* button, std::function<void()> after = {}) {
    QTimer::singleShot(0, button, [button, after] {
        if (!button->isEnabled()) return clickWhenEnabled(button, after);
        QTest::mouseClick(button, Qt::LeftButton);
        if (after) after();
    });
}

class CheckFormTest : public test::CheckDatabase {
protected:
    void TearDown() override {
        dialog.reset();
        form.reset();
        CheckDatabase::TearDown();
    }
    // Four records that each break No. 1, and the main window over them.
    void open(int records = 4) {
        for (int i = 1; i <= records; ++i) test::addRecord(110101000000 + i, {{"c904", 10}});
        form = std::make_unique<TMainForm>(TMainForm::Options{false});
        dialog = std::make_unique<TdlgCheckForm>(form->checkTarget(), form.get());
        dialog->show();
    }
    template <typename T> T* child(const char* name) { return dialog->findChild<T*>(QLatin1String(name)); }
    QPushButton* button(const char* name) { return child<QPushButton>(name); }
    // What a clerk does in the dialog: click an option or a button, type into a field.
    void choose(const char* option) {
        // On its caption: the option is wider than its circle and text.
        QRadioButton* radio = child<QRadioButton>(option);
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(radio->sizeHint().width() / 2, radio->height() / 2));
        EXPECT_TRUE(radio->isChecked()) << option;
    }
    void press(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    void type(const char* field, const QString& text) {
        QLineEdit* edit = child<QLineEdit>(field);
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
    }
    QList<int> states() {
        QList<int> all;
        for (int i = 1; i <= 4; ++i) all << test::recordState(110101000000 + i);
        return all;
    }
    // RecordState of a row as the main record list shows it.
    int listedState(int row) {
        db::RecordSet& list = form->recordList();
        return list.valueAt(row, list.fieldIndex(QStringLiteral("RecordState"))).toInt();
    }
    void expectIdle() {
        EXPECT_EQ(dialog->height(), TdlgCheckForm::kIdleHeight);
        for (const char* radio : {"Selected", "AllRecord", "Range"}) EXPECT_TRUE(child<QRadioButton>(radio)->isEnabled());
        EXPECT_TRUE(button("tbCheck")->isEnabled());
        EXPECT_FALSE(button("tbPause")->isEnabled());
        EXPECT_FALSE(button("tbResume")->isEnabled());
        EXPECT_TRUE(button("tbReturn")->isEnabled());
    }

    std::unique_ptr<TMainForm> form;
    std::unique_ptr<TdlgCheckForm> dialog;
};

} // namespace

TEST_F(CheckFormTest, OpensIdleWithTheSelectedRecordsChosen) {
    open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("选择检查的方式"));
    EXPECT_TRUE(child<QRadioButton>("Selected")->isChecked());
    EXPECT_EQ(child<QRadioButton>("Range")->text(), QStringLiteral("指定单位编号的范围"));
    EXPECT_EQ(button("tbCheck")->text(), QStringLiteral("检  查"));
    EXPECT_EQ(button("tbReturn")->text(), QStringLiteral("返  回"));
    expectIdle();

    // From the main window the command shows the dialog modally.
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* modal = qobject_cast<TdlgCheckForm*>(QApplication::activeModalWidget());
        shown = modal != nullptr;
        if (modal) modal->reject();
    });
    form->action(QStringLiteral("actCheck"))->trigger();
    EXPECT_TRUE(shown);
}

TEST_F(CheckFormTest, ARangeWithoutBothCodesIsRefusedAndTheDialogIsIdleAgain) {
    open();
    choose("Range");
    type("c901_1", QStringLiteral("110101000001"));
    press("tbCheck");
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("请输入逻辑检查的范围")});
    EXPECT_EQ(child<QLineEdit>("c901_2")->text(), QStringLiteral("0"));
    expectIdle();
    EXPECT_EQ(states(), (QList<int>{0, 0, 0, 0}));
    EXPECT_FALSE(QFile::exists(resultsFilePath(workingDatabase().label)));
}

TEST_F(CheckFormTest, AReversedRangeChecksItsFirstCodeAndTheListShowsTheNewState) {
    open();
    choose("Range");
    type("c901_1", QStringLiteral("110101000003"));
    type("c901_2", QStringLiteral("110101000001"));
    press("tbCheck");
    EXPECT_EQ(child<QLineEdit>("c901_2")->text(), QStringLiteral("110101000003"));
    EXPECT_EQ(states(), (QList<int>{0, 0, 2, 0}));
    EXPECT_EQ(listedState(2), 2);
    expectIdle();
    // The findings show in their window, which opens the results file on request.
    TCheckResultsForm* results = form->checkResults();
    EXPECT_TRUE(results->isVisible());
    EXPECT_EQ(results->countLine()->text(), QStringLiteral("共有1个单位的数据存在逻辑错误，共有1个逻辑错误项"));
    EXPECT_TRUE(opened.isEmpty());
    QTest::mouseClick(results->findChild<QPushButton*>(QStringLiteral("tbOpenFile")), Qt::LeftButton);
    EXPECT_EQ(opened, QStringList{resultsFilePath(workingDatabase().label)});
}

TEST_F(CheckFormTest, CheckingAllRecordsFollowsTheRunToItsEnd) {
    open();
    choose("AllRecord");
    press("tbCheck");
    EXPECT_EQ(states(), (QList<int>{2, 2, 2, 2}));
    EXPECT_EQ(listedState(0), 2);
    EXPECT_EQ(child<QProgressBar>("")->value(), 4);
    EXPECT_EQ(test::resultsLines().last(), QStringLiteral("共有4个逻辑错误项！"));
    EXPECT_EQ(form->checkResults()->findings().units().size(), 4u);
    expectIdle();
}

TEST_F(CheckFormTest, ReturnDuringARunStopsAfterTheCurrentRecordAndCloses) {
    open();
    choose("AllRecord");
    clickWhenEnabled(button("tbReturn"));
    press("tbCheck");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(states(), (QList<int>{2, 0, 0, 0}));
    EXPECT_EQ(test::resultsLines().size(), 4 + 5);
    EXPECT_TRUE(test::prompts().messages.isEmpty());
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_FALSE(form->checkResults()->isVisible());
}

TEST_F(CheckFormTest, APausedRunWaitsForResume) {
    open();
    choose("AllRecord");
    QList<int> whilePaused;
    clickWhenEnabled(button("tbPause"), [&] {
        EXPECT_FALSE(button("tbPause")->isEnabled());
        EXPECT_TRUE(button("tbResume")->isEnabled());
        QTimer::singleShot(20, [&] {
            whilePaused = states();
            QTest::mouseClick(button("tbResume"), Qt::LeftButton);
        });
    });
    press("tbCheck");
    EXPECT_EQ(whilePaused, (QList<int>{2, 0, 0, 0}));
    EXPECT_EQ(states(), (QList<int>{2, 2, 2, 2}));
    EXPECT_EQ(form->checkResults()->findings().findingCount(), 4);
    expectIdle();
}

TEST_F(CheckFormTest, TheProgressTextsShowTimesFromTheFiftyFirstTick) {
    open();
    dialog->start(10, 0);
    QLabel* done = child<QLabel>("lblDone");
    QLabel* waiting = child<QLabel>("lblWaiting");
    EXPECT_EQ(done->text(), QStringLiteral("已完成 0"));
    EXPECT_EQ(waiting->text(), QStringLiteral("待完成 10"));
    dialog->step();
    dialog->step();
    for (int i = 0; i < 50; ++i) dialog->tick();
    EXPECT_EQ(done->text(), QStringLiteral("已完成 2"));
    dialog->tick();
    EXPECT_EQ(done->text(), QStringLiteral("已完成 2 用时5秒"));
    EXPECT_EQ(waiting->text(), QStringLiteral("待完成 8 尚需21秒"));
}

TEST_F(CheckFormTest, CheckSelectedTakesTheSelectedRowsOrElseTheCurrentOne) {
    open();
    RecordGridView* grid = form->recordGrid();
    for (int row : {2, 0})
        grid->selectionModel()->select(grid->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    form->action(QStringLiteral("actCheckSelected"))->trigger();
    EXPECT_EQ(states(), (QList<int>{2, 0, 2, 0}));
    EXPECT_EQ(listedState(0), 2);  // the states written are announced and the list shows them
    EXPECT_EQ(test::resultsLines().filter(QStringLiteral("的数据有错误")),
              (QStringList{QStringLiteral("110101000001  单位1的数据有错误"), QStringLiteral("110101000003  单位3的数据有错误")}));

    // One selected row counts even when another is current; without a selection the current row does.
    grid->setCurrentIndex(grid->model()->index(3, 0));
    grid->selectionModel()->clearSelection();
    grid->selectionModel()->select(grid->model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    form->action(QStringLiteral("actCheckSelected"))->trigger();
    EXPECT_EQ(states(), (QList<int>{2, 2, 2, 0}));
    grid->selectionModel()->clearSelection();
    form->action(QStringLiteral("actCheckSelected"))->trigger();
    EXPECT_EQ(states(), (QList<int>{2, 2, 2, 2}));
}

TEST_F(CheckFormTest, CheckSelectedDoesNothingOnAnEmptyList) {
    open(0);
    form->action(QStringLiteral("actCheckSelected"))->trigger();
    EXPECT_TRUE(test::prompts().messages.isEmpty());
    EXPECT_FALSE(QFile::exists(resultsFilePath(workingDatabase().label)));
}

TEST_F(CheckFormTest, ADoubleClickOnAFindingOpensItsFieldAndASaveShowsTheRecordsNewState) {
    // Cover fields the entry dialog accepts; record 2 breaks Nos. 9 and 10 on page 2 (x002), the others No. 1.
    for (int i = 1; i <= 4; ++i)
        test::addRecord(110101000000 + i, {{"c903", 110101}, {"c904", 10}, {"c905", QStringLiteral("李四")},
                                           {"c906", QStringLiteral("13912345678")}, {"z001", i == 2 ? 5 : 0}, {"x002", i == 2 ? 1 : 0}});
    form = std::make_unique<TMainForm>(TMainForm::Options{false});
    form->show();
    dialog = std::make_unique<TdlgCheckForm>(form->checkTarget(), form.get());
    dialog->show();
    choose("AllRecord");
    press("tbCheck");
    dialog->reject();

    TCheckResultsForm* results = form->checkResults();
    ASSERT_TRUE(results->isVisible());
    EXPECT_EQ(results->countLine()->text(), QStringLiteral("共有4个单位的数据存在逻辑错误，共有5个逻辑错误项"));
    QTreeView* view = results->findingsView();
    QAbstractItemModel* model = view->model();
    const QModelIndex unit = model->index(1, 0);
    EXPECT_EQ(model->data(unit).toString(), QStringLiteral("110101000002"));
    EXPECT_EQ(model->data(unit.siblingAtColumn(2)).toString(), QStringLiteral("2"));
    const QModelIndex finding = model->index(1, 0, unit);
    EXPECT_EQ(model->data(finding).toString(), QStringLiteral("第2页"));
    EXPECT_EQ(model->data(finding.siblingAtColumn(1)).toString(), QStringLiteral("x002<=x001"));
    EXPECT_EQ(model->data(finding.siblingAtColumn(2)).toString(),
              QStringLiteral("[其中：女性成员(人)]不能大于[本级工会领导班子成员(人)]"));
    // The rule view: Nos. 1 (three records), then 9 and 10.
    QAbstractItemModel* rules = results->rulesView()->model();
    ASSERT_EQ(rules->rowCount(), 3);
    EXPECT_EQ(rules->data(rules->index(0, 0)).toString(), QStringLiteral("3"));
    EXPECT_EQ(rules->data(rules->index(0, 2)).toString(), QStringLiteral("z001 + z003 > 0"));

    TdlgSurveyDataForm* entry = form->entryDialog();
    QString itemNo;
    QString afterSave;
    int shownPage = -1;
    bool onField = false;
    QTimer::singleShot(0, [&] {
        // The dialog turns to the finding once its loop runs.
        QApplication::processEvents();
        ASSERT_TRUE(entry->isVisible());
        shownPage = entry->currentPage();
        QWidget* x002 = entry->control(QStringLiteral("x002"));
        onField = entry->focusWidget() == x002;
        itemNo = entry->itemNo()->text();
        QTest::keyClick(x002, Qt::Key_End);
        QTest::keyClick(x002, Qt::Key_Home, Qt::ShiftModifier);
        QTest::keyClicks(x002, QStringLiteral("0"));
        QTest::mouseClick(entry->button(QStringLiteral("tbSave")), Qt::LeftButton);
        afterSave = results->countLine()->text();
        QTest::mouseClick(entry->button(QStringLiteral("tbReturn")), Qt::LeftButton);
    });
    view->scrollTo(finding);
    const QPoint row = view->visualRect(finding).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, row);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, row);
    EXPECT_EQ(shownPage, 2);
    EXPECT_TRUE(onField);
    // The dialog moves through the records with findings.
    EXPECT_EQ(itemNo, QStringLiteral("第2条/共4条"));
    EXPECT_EQ(test::prompts().messages.last(), QStringLiteral("数据保存成功，没有逻辑错误！"));
    EXPECT_EQ(afterSave, QStringLiteral("共有3个单位的数据存在逻辑错误，共有3个逻辑错误项"));
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->data(model->index(1, 0)).toString(), QStringLiteral("110101000003"));
    EXPECT_EQ(rules->rowCount(), 1);
    EXPECT_FALSE(entry->isVisible());
}
