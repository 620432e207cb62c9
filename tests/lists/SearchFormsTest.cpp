#include "app/MainForm.h"
#include "core/Platform.h"
#include "core/Startup.h"
#include "db/Connection.h"
#include "entry/ButtonEdit.h"
#include "entry/NumericEdit.h"
#include "entry/QuValidEdit.h"
#include "entry/SurveyDataForm.h"
#include "lists/DataSearchCodeForm.h"
#include "lists/QueryListForm.h"
#include "lists/SearchForm.h"
#include "support/MainWindowTest.h"
#include "support/TestSupport.h"
#include "widgets/RecordGrid.h"
#include "workbook/Workbook.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

namespace {

const QString kStateTitle = QStringLiteral("记录状态");

// The searches over the main window of a private copy of the system data file.
class SearchFormsTest : public test::MainWindowTest {
protected:
    // Records 110101000001.. with z001 = 10, 20, ...; complete covers of
    // organisations that do not report, so that the entry dialog saves them as they are.
    void addRecords(int count) {
        db::Connection c;
        c.open(dataFile);
        for (int i = 1; i <= count; ++i)
            c.execute(QStringLiteral("INSERT INTO dt_data(c901, c902, c903, c904, c905, c906, c907, z001, RecordState) "
                                     "VALUES (?, ?, 110101, 3, '张三', '010-12345678', 3, ?, 1)"),
                      {qint64(110101000000) + i, QStringLiteral("单位%1").arg(i), i * 10});
    }

    template <typename T>
    static T* child(QWidget* parent, const char* name) {
        T* found = parent->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    static void clickButton(QWidget* dialog, const char* name) { click(child<QPushButton>(dialog, name)); }
    // Types into an edit as a clerk does: a click into it, then the keys.
    static void type(QWidget* edit, const QString& text) {
        QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(4, edit->height() / 2));
        QTest::keyClicks(edit, text);
    }
    // Picks entry `index` from an operator or connector button's menu.
    static void pick(QWidget* dialog, const char* name, int index) {
        test::prompts().menuChoices = {index};
        click(child<TButtonEdit>(dialog, name)->button());
    }
    // Runs `step` on the modal dialog that opens next over `owner`.
    static void onNextModal(QObject* owner, std::function<void(QDialog*)> step) {
        QTimer::singleShot(0, owner, [step] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            step(dialog);
        });
    }
    // Clicks "查  找" and runs `step` on the result list, which is then closed with "返  回".
    static void findShowingList(QDialog* search, std::function<void(TdlgQueryListForm*)> step) {
        onNextModal(search, [step](QDialog* opened) {
            auto* list = qobject_cast<TdlgQueryListForm*>(opened);
            ASSERT_NE(list, nullptr);
            step(list);
            clickButton(list, "tbReturn");
        });
        clickButton(search, "tbFind");
    }
    // Clicks "查  找" when no result list may open; one that does is counted and closed.
    static int findWithoutList(QDialog* search) {
        int opened = 0;
        QTimer::singleShot(0, search, [&opened] {
            if (auto* list = qobject_cast<TdlgQueryListForm*>(QApplication::activeModalWidget())) {
                ++opened;
                list->reject();
            }
        });
        clickButton(search, "tbFind");
        QApplication::processEvents();
        return opened;
    }
    static int column(RecordGridView* grid, const QString& showName) {
        const TFieldDataArray& fields = grid->listModel()->fields();
        for (size_t i = 0; i < fields.size(); ++i)
            if (fields[i].showName == showName) return int(i);
        return -1;
    }
    static QStringList codes(RecordGridView* grid) {
        QStringList shown;
        RecordListModel* model = grid->listModel();
        const int code = column(grid, QStringLiteral("c901"));
        for (int r = 0; r < model->rowCount(); ++r) shown << model->data(model->index(r, code), Qt::DisplayRole).toString();
        return shown;
    }
    static QStringList codes(std::initializer_list<int> numbers) {
        QStringList shown;
        for (int n : numbers) shown << QString::number(qint64(110101000000) + n);
        return shown;
    }
    static void clickCell(RecordGridView* grid, int row) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->listModel()->index(row, 0)).center());
    }
    static void clickTitle(RecordGridView* grid, int column) {
        QHeaderView* header = grid->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2));
    }
    // The result list of `clause` over the main window, shown without a search.
    std::unique_ptr<TdlgQueryListForm> showList(const QString& clause) {
        auto list = std::make_unique<TdlgQueryListForm>(form->searchContext(), form.get());
        list->load(clause);
        list->show();
        return list;
    }
    // The indicator picker: the sheet row clicked, then the field row double-clicked.
    static void pickIndicator(QDialog* search, int sheetRow, int fieldRow) {
        onNextModal(search, [=](QDialog* picker) {
            auto* sheets = child<QListWidget>(picker, "SheetList");
            QTest::mouseClick(sheets->viewport(), Qt::LeftButton, {}, sheets->visualItemRect(sheets->item(sheetRow)).center());
            auto* fields = child<QListWidget>(picker, "FieldList");
            ASSERT_GT(fields->count(), fieldRow);
            const QPoint at = fields->visualItemRect(fields->item(fieldRow)).center();
            QTest::mouseClick(fields->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(fields->viewport(), Qt::LeftButton, {}, at);
        });
        click(child<TButtonEdit>(search, "DataField")->button());
    }

};

} // namespace

TEST_F(SearchFormsTest, CodeRangeWithOnlyTheSecondNumberListsItsMatchesAndTheMainListIsReReadAfterwards) {
    addRecords(5);
    TMainForm& main = open();
    main.recordList().moveTo(3);
    QString title, count, firstTitle;
    QStringList shown;
    onNextModal(&main, [&](QDialog* search) {
        title = search->windowTitle();
        EXPECT_EQ(child<TButtonEdit>(search, "lc1")->text(), QStringLiteral("="));
        EXPECT_EQ(child<TButtonEdit>(search, "lc2")->text(), QStringLiteral("和"));
        pick(search, "lc2", 1);  // "或", unused with one number
        pick(search, "lc3", 4);  // "<="
        type(child<TNumericEdit>(search, "number2"), QStringLiteral("110101000003"));
        findShowingList(search, [&](TdlgQueryListForm* list) {
            EXPECT_EQ(list->windowTitle(), QStringLiteral("查询结果列表"));
            EXPECT_EQ(list->size(), QSize(915, 412));
            count = list->countLabel()->text();
            shown = codes(list->grid());
            // The first column, the record state, is marked sorted ascending.
            firstTitle = list->grid()->listModel()->title(0);
            EXPECT_TRUE(list->grid()->listModel()->titleIsLime(0));
            // A record deleted meanwhile disappears from the main window's list once the result closes.
            workingDatabase().connection.execute(QStringLiteral("DELETE FROM dt_data WHERE c901=110101000002"));
        });
        clickButton(search, "tbReturn");
    });
    main.action(QStringLiteral("actSearch"))->trigger();
    EXPECT_EQ(title, QStringLiteral("查询数据"));
    EXPECT_EQ(count, QStringLiteral("符合条件的数据总数：3"));
    EXPECT_EQ(shown, codes({1, 2, 3}));
    EXPECT_EQ(firstTitle, kStateTitle + QStringLiteral("▲"));
    EXPECT_EQ(main.recordList().rowCount(), 4);
    EXPECT_EQ(main.recordList().integer(QStringLiteral("c901")), 110101000004);
    EXPECT_TRUE(test::prompts().messages.isEmpty()) << test::prompts().messages.join(QLatin1Char('|')).toStdString();
}

TEST_F(SearchFormsTest, CodeRangeWithoutNumbersAsksForACondition) {
    addRecords(1);
    open();
    TdlgSearchForm search(form->searchContext(), form.get());
    search.show();
    EXPECT_EQ(findWithoutList(&search), 0);
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("请至少输入一个条件")});
}

TEST_F(SearchFormsTest, AnEmptyPickerLeavesTheFieldEmptyAndTheSearchThenAsksForAField) {
    addRecords(3);
    TMainForm& main = open();
    QString pickerTitle, field = QStringLiteral("unset");
    int fieldsShown = -1, sheetShown = -1;
    onNextModal(&main, [&](QDialog* search) {
        EXPECT_EQ(search->windowTitle(), QStringLiteral("指标查询"));
        EXPECT_EQ(child<TButtonEdit>(search, "lc1")->text(), QString());
        EXPECT_EQ(child<TButtonEdit>(search, "lc1")->tag(), -1);
        onNextModal(search, [&](QDialog* picker) {
            pickerTitle = picker->windowTitle();
            // The cover sheet comes first and has no searchable fields: the picker opens on the next.
            fieldsShown = child<QListWidget>(picker, "FieldList")->count();
            sheetShown = child<QListWidget>(picker, "SheetList")->currentRow();
            clickButton(picker, "tbCancel");
        });
        click(child<TButtonEdit>(search, "DataField")->button());
        field = child<TButtonEdit>(search, "DataField")->text();
        pick(search, "lc1", 1);
        type(child<TQuValidEdit>(search, "Number1"), QStringLiteral("5"));
        EXPECT_EQ(findWithoutList(search), 0);
        clickButton(search, "tbReturn");
    });
    main.show();
    QApplication::setActiveWindow(&main);
    QTest::keyClick(&main, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(pickerTitle, QStringLiteral("选择指标"));
    EXPECT_GT(fieldsShown, 0);
    EXPECT_EQ(sheetShown, 1);
    EXPECT_EQ(field, QString());
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("请选择指标")});
}

TEST_F(SearchFormsTest, IndicatorWithOnlyTheSecondOperatorListsItsMatches) {
    addRecords(5);
    open();
    TdlgDataSearchForm search(form->searchContext(), form.get());
    search.show();
    pickIndicator(&search, 1, 0);  // 表1, its first indicator
    const QString field = child<TButtonEdit>(&search, "DataField")->text();
    EXPECT_FALSE(field.isEmpty());
    // Escape in the picker keeps the field chosen before.
    onNextModal(&search, [](QDialog* picker) { QTest::keyClick(child<QListWidget>(picker, "SheetList"), Qt::Key_Escape); });
    click(child<TButtonEdit>(&search, "DataField")->button());
    EXPECT_EQ(child<TButtonEdit>(&search, "DataField")->text(), field);
    // The indicator holds 1 to 5; letters never get into the number.
    workingDatabase().connection.execute(QStringLiteral("UPDATE dt_data SET %1=c901-110101000000").arg(field));
    type(child<TQuValidEdit>(&search, "Number2"), QStringLiteral("x3"));
    EXPECT_EQ(child<TQuValidEdit>(&search, "Number2")->text(), QStringLiteral("3"));
    pick(&search, "lc3", 2);  // "<"
    QStringList shown;
    findShowingList(&search, [&](TdlgQueryListForm* list) { shown = codes(list->grid()); });
    EXPECT_EQ(shown, codes({1, 2}));
    EXPECT_TRUE(test::prompts().messages.isEmpty());
}

TEST_F(SearchFormsTest, AnOperatorWithoutNumberOrANumberWithoutOperatorIsRefused) {
    addRecords(2);
    open();
    TdlgDataSearchForm search(form->searchContext(), form.get());
    search.show();
    pickIndicator(&search, 1, 0);
    pick(&search, "lc1", 3);  // ">="
    type(child<TQuValidEdit>(&search, "Number2"), QStringLiteral("15"));
    EXPECT_EQ(findWithoutList(&search), 0);
    type(child<TQuValidEdit>(&search, "Number1"), QStringLiteral("1"));
    EXPECT_EQ(findWithoutList(&search), 0);
    EXPECT_EQ(test::prompts().messages, (QStringList{QStringLiteral("请输入第一个条件的数值"), QStringLiteral("请选择第二个条件的比较符")}));
    pick(&search, "lc3", 4);  // "<="
    QStringList shown;
    findShowingList(&search, [&](TdlgQueryListForm* list) { shown = codes(list->grid()); });
    EXPECT_EQ(shown, codes({1}));  // z001 holds 10 and 20
}

TEST_F(SearchFormsTest, AClauseTheEngineRejectsIsReportedAndTheSearchStaysOpen) {
    addRecords(2);
    open();
    TdlgSearchForm search(form->searchContext(), form.get());
    search.show();
    type(child<TNumericEdit>(&search, "number1"), QStringLiteral("110101000001"));
    workingDatabase().connection.execute(QStringLiteral("DROP VIEW view_data_all"));
    EXPECT_EQ(findWithoutList(&search), 0);
    ASSERT_EQ(test::prompts().messages.size(), 1);
    EXPECT_TRUE(test::prompts().messages[0].contains(QStringLiteral("view_data_all"))) << test::prompts().messages[0].toStdString();
    EXPECT_TRUE(search.isVisible());
}

TEST_F(SearchFormsTest, AnEmptyResultShowsCountZeroAndChangeDoesNothing) {
    addRecords(2);
    open();
    auto list = showList(QStringLiteral("where c901>999999999999"));
    EXPECT_EQ(list->countLabel()->text(), QStringLiteral("符合条件的数据总数：0"));
    EXPECT_EQ(list->grid()->listModel()->rowCount(), 0);
    clickButton(list.get(), "tbChange");
    QTest::keyClick(list->grid(), Qt::Key_Return);
    EXPECT_FALSE(form->entryDialog()->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(SearchFormsTest, TheFirstTitleClickSortsDescending) {
    addRecords(3);
    open();
    auto list = showList(QStringLiteral("where c901>=110101000001"));
    RecordGridView* grid = list->grid();
    const int code = column(grid, QStringLiteral("c901"));
    const QString codeTitle = grid->listModel()->title(code);
    clickTitle(grid, code);
    EXPECT_EQ(codes(grid), codes({3, 2, 1}));
    EXPECT_EQ(grid->listModel()->title(code), codeTitle + QStringLiteral("▼"));
    EXPECT_TRUE(grid->listModel()->titleIsLime(code));
    // The first column, marked sorted when the list opened, loses its arrow and colour.
    EXPECT_EQ(grid->listModel()->title(0), kStateTitle);
    EXPECT_FALSE(grid->listModel()->titleIsLime(0));
    // The next click, on any column, sorts ascending.
    clickTitle(grid, column(grid, QStringLiteral("c902")));
    EXPECT_EQ(codes(grid), codes({1, 2, 3}));
    EXPECT_EQ(grid->listModel()->title(code), codeTitle);
}

TEST_F(SearchFormsTest, ChangingARecordFromTheListAndSavingKeepsTheListOnIt) {
    addRecords(3);
    open();
    auto list = showList(QStringLiteral("where c901>=110101000001"));
    RecordGridView* grid = list->grid();
    clickTitle(grid, column(grid, QStringLiteral("c902")));  // by name, descending: 单位3, 单位2, 单位1
    ASSERT_EQ(codes(grid), codes({3, 2, 1}));
    clickCell(grid, 0);
    QString loaded;
    QString step;
    onNextModal(list.get(), [&](QDialog* opened) {
        auto* entry = qobject_cast<TdlgSurveyDataForm*>(opened);
        ASSERT_NE(entry, nullptr);
        loaded = entry->numberField(QStringLiteral("c901"))->plainText();
        step = entry->itemNo()->text();
        // The new name moves the record to the end of the list's order.
        TQuValidEdit* name = entry->textField(QStringLiteral("c902"));
        QTest::mouseClick(name, Qt::LeftButton, {}, QPoint(4, name->height() / 2));
        QTest::keyClick(name, Qt::Key_End);
        QTest::keyClick(name, Qt::Key_Home, Qt::ShiftModifier);
        for (const QChar c : QStringLiteral("单位0")) QTest::sendKeyEvent(QTest::Click, name, Qt::Key_unknown, QString(c), Qt::NoModifier);
        click(entry->button(QStringLiteral("tbSave")));
        click(entry->button(QStringLiteral("tbReturn")));
    });
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->listModel()->index(0, 0)).center());
    EXPECT_EQ(loaded, QStringLiteral("110101000003"));
    EXPECT_EQ(step, QStringLiteral("第1条/共3条"));
    EXPECT_EQ(workingDatabase().connection.scalar(QStringLiteral("SELECT c902 FROM dt_data WHERE c901=110101000003")).toString(),
              QStringLiteral("单位0"));
    EXPECT_EQ(codes(grid), codes({2, 1, 3}));
    EXPECT_EQ(list->result().integer(QStringLiteral("c901")), 110101000003);
    EXPECT_EQ(grid->currentIndex().row(), 2);
    EXPECT_EQ(list->countLabel()->text(), QStringLiteral("符合条件的数据总数：3"));
}

TEST_F(SearchFormsTest, DeletingTwoOfThreeSelectedRowsLeavesOneAndTheMainListLosesThem) {
    addRecords(4);
    TMainForm& main = open();
    QString countBefore, countAfter;
    QStringList left;
    onNextModal(&main, [&](QDialog* search) {
        pick(search, "lc1", 4);  // "<="
        type(child<TNumericEdit>(search, "number1"), QStringLiteral("110101000003"));
        findShowingList(search, [&](TdlgQueryListForm* list) {
            RecordGridView* grid = list->grid();
            countBefore = list->countLabel()->text();
            clickCell(grid, 0);
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              grid->visualRect(grid->listModel()->index(2, 0)).center());
            test::prompts().questionAnswers = {ui::qaYesToAll};
            clickButton(list, "tbDelete");
            left = codes(grid);
            countAfter = list->countLabel()->text();
        });
        clickButton(search, "tbReturn");
    });
    main.action(QStringLiteral("actSearch"))->trigger();
    EXPECT_EQ(countBefore, QStringLiteral("符合条件的数据总数：3"));
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("您确定要删除当前所选择的记录吗？")});
    EXPECT_EQ(left, codes({2}));
    EXPECT_EQ(countAfter, QStringLiteral("符合条件的数据总数：1"));
    EXPECT_EQ(main.recordList().rowCount(), 2);
    EXPECT_EQ(codes(main.recordGrid()), codes({2, 4}));
}

TEST_F(SearchFormsTest, TheResultIsExportedAsADatabaseTableAndAsAWorkbookOfTheGridsColumns) {
    addRecords(3);
    open();
    auto list = showList(QStringLiteral("where c901>=110101000002"));
    clickTitle(list->grid(), 0);  // the arrow moves; the export titles carry none
    const QString table = QStringLiteral("Varnel_基层以上（离线工具）查询结果");

    test::prompts().fileAnswers = {folder.path(QStringLiteral("结果.mdb"))};
    list->findChild<QAction*>(QStringLiteral("actExportDetails"))->trigger();
    {
        db::Connection exported;
        exported.open(folder.path(QStringLiteral("结果.mdb")));
        EXPECT_EQ(exported.scalar(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table)).toInt(), 2);
        // The detail query: every column of dt_data, also those the list leaves out.
        EXPECT_EQ(exported.scalar(QStringLiteral("SELECT c906 FROM \"%1\" WHERE c901=110101000003").arg(table)).toString(),
                  QStringLiteral("010-12345678"));
    }

    list->grid()->selectRow(1);
    test::prompts().fileAnswers = {folder.path(QStringLiteral("结果"))};
    list->findChild<QAction*>(QStringLiteral("actExportList"))->trigger();
    ASSERT_TRUE(QFile::exists(folder.path(QStringLiteral("结果.xlsx")))) << test::prompts().messages.join(QLatin1Char('|')).toStdString();
    workbook::Workbook book = workbook::Workbook::open(folder.path(QStringLiteral("结果.xlsx")));
    workbook::Sheet sheet = book.sheet(1);
    EXPECT_EQ(sheet.name(), table);
    RecordListModel* model = list->grid()->listModel();
    const int code = column(list->grid(), QStringLiteral("c901"));
    EXPECT_EQ(sheet.text({3, 1}), kStateTitle);
    EXPECT_EQ(sheet.text({3, code + 1}), model->title(code));
    EXPECT_EQ(sheet.text({5, code + 1}), QStringLiteral("110101000002"));
    EXPECT_EQ(sheet.text({6, code + 1}), QStringLiteral("110101000003"));
    // The list stays on the row it was on.
    EXPECT_EQ(list->result().position(), 1);
}
