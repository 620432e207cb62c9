#include "app/InputBox.h"
#include "app/MainForm.h"
#include "core/Platform.h"
#include "core/Startup.h"
#include "db/Statement.h"
#include "entry/ButtonEdit.h"
#include "entry/NumericEdit.h"
#include "summary/GroupGrid.h"
#include "summary/GroupItemForm.h"
#include "summary/GroupListForm.h"
#include "summary/Groupings.h"
#include "support/TestSupport.h"
#include "support/TypeText.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

namespace {

const QString kConfirmDelete = QStringLiteral("数据将被彻底删除，确认么？");

// Runs `step` on the modal dialog that opens next over `owner`, then closes it
// with its "返  回". Nothing runs once `owner` is gone.
void onNextModal(QObject* owner, std::function<void(QDialog*)> step) {
    QTimer::singleShot(0, owner, [step] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        step(dialog);
        dialog->findChild<QPushButton*>(QStringLiteral("tbReturn"))->click();
    });
}

void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }

// Replaces what an edit holds by typing, as a clerk does: into the edit, select all, type.
void typeInto(QLineEdit* edit, const QString& text) {
    click(edit);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty()) QTest::keyClick(edit, Qt::Key_Delete);
    else test::typeText(edit, text);
}

// The groupings dialogs over a private copy of the system data file.
class GroupFormsTest : public ::testing::Test {
protected:
    void SetUp() override {
        setProgramFolder(folder.path(QString()));
        folder.copyOfSystemDataFile(systemDataFileName());
        ASSERT_TRUE(OpenSurveyDatabase());
    }
    void TearDown() override {
        editor.reset();
        list.reset();
        workingDatabase().connection.close();
        setProgramFolder({});
    }
    db::Connection& db() { return workingDatabase().connection; }

    TdlgGroupItemForm& openEditor(qint64 group, const QString& name = QStringLiteral("按地区")) {
        editor = std::make_unique<TdlgGroupItemForm>(db(), group, name, [this] { ++renamed; }, nullptr);
        editor->show();
        QApplication::setActiveWindow(editor.get());
        return *editor;
    }
    TdlgGroupListForm& openList() {
        list = std::make_unique<TdlgGroupListForm>(db(), nullptr);
        list->show();
        QApplication::setActiveWindow(list.get());
        return *list;
    }
    template <typename T> T* in(QWidget* dialog, const char* name) {
        T* child = dialog->findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QPushButton* button(QWidget* dialog, const char* name) { return in<QPushButton>(dialog, name); }
    GroupGridView* itemGrid() { return in<GroupGridView>(editor.get(), "ItemGrid"); }
    // Types an item into the editor's fields.
    void typeItem(const QString& title, const QString& low, const QString& high) {
        typeInto(in<QLineEdit>(editor.get(), "name"), title);
        typeInto(in<TNumericEdit>(editor.get(), "LowBoundary"), low);
        typeInto(in<TNumericEdit>(editor.get(), "HighBoundary"), high);
    }
    QStringList gridColumn(GroupGridView* grid, int column) {
        QStringList cells;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            cells << grid->model()->index(row, column).data().toString();
        return cells;
    }
    void clickRow(GroupGridView* grid, int row) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(row, 0)).center());
    }
    void clickTitle(GroupGridView* grid, int column) {
        QHeaderView* header = grid->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    QString scalarText(const QString& sql, const QVariantList& params = {}) { return db().scalar(sql, params).toString(); }

    test::TempFolder folder;
    std::unique_ptr<TdlgGroupListForm> list;
    std::unique_ptr<TdlgGroupItemForm> editor;
    int renamed = 0;
};

} // namespace

TEST(InputBox, ShowsThePromptAndReturnsWhatWasTyped) {
    TInputBox box(QStringLiteral("自定义分组"), QStringLiteral("输入本种分组方式的名称"), QStringLiteral("旧的"));
    box.show();
    QApplication::setActiveWindow(&box);
    auto* edit = box.findChild<QLineEdit*>(QStringLiteral("Edit"));
    EXPECT_EQ(box.windowTitle(), QStringLiteral("自定义分组"));
    EXPECT_EQ(box.findChild<QLabel*>(QStringLiteral("Prompt"))->text(), QStringLiteral("输入本种分组方式的名称"));
    EXPECT_EQ(edit->selectedText(), QStringLiteral("旧的"));
    EXPECT_EQ(edit->maxLength(), 255);
    EXPECT_TRUE(box.findChild<QPushButton*>(QStringLiteral("OK"))->isDefault());
    test::typeText(edit, QStringLiteral("新名'𠮷"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(box.result(), QDialog::Accepted);
    EXPECT_EQ(box.text(), QStringLiteral("新名'𠮷"));

    TInputBox cancelled(QStringLiteral("自定义分组"), QStringLiteral("输入本种分组方式的名称"), QString());
    cancelled.show();
    click(cancelled.findChild<QPushButton*>(QStringLiteral("Cancel")));
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
}

TEST_F(GroupFormsTest, AddingAGroupingAsksForItsNameAgainWhileEmptyAndOpensTheEditor) {
    TMainForm main(TMainForm::Options{false});
    bool listShown = false;
    QTimer::singleShot(0, &main, [&] {
        auto* modal = qobject_cast<TdlgGroupListForm*>(QApplication::activeModalWidget());
        listShown = modal && modal->windowTitle() == QStringLiteral("自定义分组列表");
        if (modal) modal->reject();
    });
    main.action(QStringLiteral("actGroup"))->trigger();
    EXPECT_TRUE(listShown);

    TdlgGroupListForm& dialog = openList();
    EXPECT_FALSE(button(&dialog, "tbRemove")->isEnabled());
    EXPECT_FALSE(button(&dialog, "tbEdit")->isEnabled());

    // Cancel adds nothing.
    test::prompts().inputAnswers = {std::nullopt};
    click(button(&dialog, "tbAdd"));
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT count(*) FROM CT_Group")).toInt(), 0);

    const QString name = QStringLiteral("按\"系统\" O'Neil `甲` 𠮷");
    test::prompts().inputPrompts.clear();
    test::prompts().inputAnswers = {QString(), QString(), name};
    QString editorTitle, editorName;
    bool saveEnabled = true;
    onNextModal(&dialog, [&](QDialog* opened) {
        editorTitle = opened->windowTitle();
        editorName = opened->findChild<QLineEdit*>(QStringLiteral("GroupName"))->text();
        saveEnabled = opened->findChild<QPushButton*>(QStringLiteral("tbSave"))->isEnabled();
    });
    click(button(&dialog, "tbAdd"));
    EXPECT_EQ(test::prompts().inputPrompts, QStringList(3, QStringLiteral("自定义分组|输入本种分组方式的名称")));
    EXPECT_EQ(editorTitle, QStringLiteral("自定义分组"));
    EXPECT_EQ(editorName, name);
    EXPECT_FALSE(saveEnabled);
    const qint64 id = db().scalar(QStringLiteral("SELECT max(id) FROM CT_Group")).toLongLong();
    EXPECT_EQ(scalarText(QStringLiteral("SELECT name FROM CT_Group WHERE id=?"), {id}), name);
    EXPECT_EQ(scalarText(QStringLiteral("SELECT orderstr FROM CT_Group WHERE id=?"), {id}), QStringLiteral("id ASC"));
    auto* grid = in<GroupGridView>(&dialog, "GroupGrid");
    EXPECT_EQ(gridColumn(grid, 0), QStringList{name});
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("名称"));
    EXPECT_TRUE(button(&dialog, "tbRemove")->isEnabled());
    EXPECT_TRUE(button(&dialog, "tbEdit")->isEnabled());
}

TEST_F(GroupFormsTest, RemovingAGroupingAsksFirstAndTakesItsItemsAlong) {
    const qint64 first = AddGrouping(db(), QStringLiteral("甲"));
    const qint64 second = AddGrouping(db(), QStringLiteral("乙"));
    AddGroupItem(db(), first, {QStringLiteral("一"), 1, QStringLiteral(">="), 2, QStringLiteral("<")});
    AddGroupItem(db(), second, {QStringLiteral("二"), 1, QStringLiteral(">="), 2, QStringLiteral("<")});
    TdlgGroupListForm& dialog = openList();
    auto* grid = in<GroupGridView>(&dialog, "GroupGrid");

    test::prompts().answers = {false};
    click(button(&dialog, "tbRemove"));
    EXPECT_EQ(test::prompts().messages, QStringList{kConfirmDelete});
    EXPECT_EQ(gridColumn(grid, 0), (QStringList{QStringLiteral("甲"), QStringLiteral("乙")}));

    test::prompts().answers = {true};
    click(button(&dialog, "tbRemove"));
    EXPECT_EQ(gridColumn(grid, 0), QStringList{QStringLiteral("乙")});
    EXPECT_EQ(scalarText(QStringLiteral("SELECT group_concat(Title) FROM DT_GroupItem")), QStringLiteral("二"));

    // A double click opens the editor of the grouping under the mouse.
    QString opened;
    onNextModal(&dialog, [&](QDialog* editorDialog) { opened = editorDialog->findChild<QLineEdit*>(QStringLiteral("GroupName"))->text(); });
    const QPoint row = grid->visualRect(grid->model()->index(0, 0)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, row);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, row);
    EXPECT_EQ(opened, QStringLiteral("乙"));

    test::prompts().answers = {true};
    click(button(&dialog, "tbRemove"));
    EXPECT_FALSE(button(&dialog, "tbRemove")->isEnabled());
    EXPECT_FALSE(button(&dialog, "tbEdit")->isEnabled());
}

TEST_F(GroupFormsTest, ItemsAreTypedCheckedStoredAndDeleted) {
    const qint64 group = AddGrouping(db(), QStringLiteral("按地区"));
    TdlgGroupItemForm& dialog = openEditor(group);
    EXPECT_EQ(in<TButtonEdit>(&dialog, "LeftSymbol")->text(), QStringLiteral(">="));
    EXPECT_EQ(in<TButtonEdit>(&dialog, "RightSymbol")->text(), QStringLiteral("<"));
    for (const char* name : {"tbSave", "actAddItem", "tbEdit", "tbRemove"}) EXPECT_FALSE(button(&dialog, name)->isEnabled()) << name;
    const QStringList titles{itemGrid()->model()->headerData(0, Qt::Horizontal).toString(),
                             itemGrid()->model()->headerData(1, Qt::Horizontal).toString(),
                             itemGrid()->model()->headerData(2, Qt::Horizontal).toString()};
    EXPECT_EQ(titles, (QStringList{QStringLiteral("数据项目名称"), QStringLiteral("编号下限"), QStringLiteral("编号上限")}));

    // Equal bounds leave "增  加" disabled; an upper bound above the lower one enables it.
    typeItem(QStringLiteral("东城'区"), QStringLiteral("110101000000"), QStringLiteral("110101000000"));
    EXPECT_FALSE(button(&dialog, "actAddItem")->isEnabled());
    typeInto(in<TNumericEdit>(&dialog, "HighBoundary"), QStringLiteral("110102000000"));
    EXPECT_TRUE(button(&dialog, "actAddItem")->isEnabled());
    click(button(&dialog, "actAddItem"));
    EXPECT_EQ(gridColumn(itemGrid(), 0), QStringList{QStringLiteral("东城'区")});
    EXPECT_EQ(gridColumn(itemGrid(), 1), QStringList{QStringLiteral(">=110101000000")});
    EXPECT_EQ(gridColumn(itemGrid(), 2), QStringList{QStringLiteral("<110102000000")});
    EXPECT_TRUE(button(&dialog, "tbEdit")->isEnabled());
    EXPECT_TRUE(button(&dialog, "tbRemove")->isEnabled());

    // The pickers offer their two symbols; the second item takes ">" and "<=".
    test::prompts().menuChoices = {0, 1};
    click(in<TButtonEdit>(&dialog, "LeftSymbol")->button());
    EXPECT_EQ(test::prompts().lastMenu, (QStringList{QStringLiteral(">"), QStringLiteral("✓>=")}));
    click(in<TButtonEdit>(&dialog, "RightSymbol")->button());
    EXPECT_EQ(test::prompts().lastMenu, (QStringList{QStringLiteral("✓<"), QStringLiteral("<=")}));
    typeItem(QStringLiteral("西城区"), QStringLiteral("110102000000"), QStringLiteral("110103000000"));
    click(button(&dialog, "actAddItem"));
    EXPECT_EQ(gridColumn(itemGrid(), 1), (QStringList{QStringLiteral(">=110101000000"), QStringLiteral(">110102000000")}));
    EXPECT_EQ(gridColumn(itemGrid(), 2), (QStringList{QStringLiteral("<110102000000"), QStringLiteral("<=110103000000")}));

    // A click on a row loads it; the arrow keys load the row they reach.
    clickRow(itemGrid(), 0);
    EXPECT_EQ(in<QLineEdit>(&dialog, "name")->text(), QStringLiteral("东城'区"));
    EXPECT_EQ(in<TButtonEdit>(&dialog, "LeftSymbol")->text(), QStringLiteral(">="));
    EXPECT_EQ(in<TButtonEdit>(&dialog, "LeftSymbol")->tag(), 2);
    QTest::keyClick(itemGrid(), Qt::Key_Down);
    EXPECT_EQ(in<QLineEdit>(&dialog, "name")->text(), QStringLiteral("西城区"));
    EXPECT_EQ(in<TNumericEdit>(&dialog, "HighBoundary")->value(), 110103000000.0);
    EXPECT_EQ(in<TButtonEdit>(&dialog, "RightSymbol")->text(), QStringLiteral("<="));

    // "修  改" writes over the current item; equal bounds disable it.
    typeInto(in<QLineEdit>(&dialog, "name"), QStringLiteral("西城区（改）"));
    click(button(&dialog, "tbEdit"));
    EXPECT_EQ(gridColumn(itemGrid(), 0), (QStringList{QStringLiteral("东城'区"), QStringLiteral("西城区（改）")}));
    typeInto(in<TNumericEdit>(&dialog, "HighBoundary"), QStringLiteral("110102000000"));
    EXPECT_FALSE(button(&dialog, "tbEdit")->isEnabled());
    EXPECT_FALSE(button(&dialog, "actAddItem")->isEnabled());
    typeInto(in<QLineEdit>(&dialog, "name"), QString());
    typeInto(in<TNumericEdit>(&dialog, "HighBoundary"), QStringLiteral("110109000000"));
    EXPECT_FALSE(button(&dialog, "actAddItem")->isEnabled());

    // The Delete key asks first; No keeps the item.
    clickRow(itemGrid(), 0);
    test::prompts().answers = {false, true};
    QTest::keyClick(itemGrid(), Qt::Key_Delete);
    EXPECT_EQ(itemGrid()->model()->rowCount(), 2);
    QTest::keyClick(itemGrid(), Qt::Key_Delete);
    EXPECT_EQ(test::prompts().messages, QStringList(2, kConfirmDelete));
    EXPECT_EQ(gridColumn(itemGrid(), 0), QStringList{QStringLiteral("西城区（改）")});
    EXPECT_EQ(scalarText(QStringLiteral("SELECT group_concat(Title) FROM DT_GroupItem WHERE GroupID=?"), {group}),
              QStringLiteral("西城区（改）"));
}

TEST_F(GroupFormsTest, ThreeClicksOnTheLowerBoundTitleSortDescendingAscendingDescendingAndStoreTheOrder) {
    const qint64 group = AddGrouping(db(), QStringLiteral("按地区"));
    for (qint64 low : {120000000000LL, 110000000000LL, 130000000000LL})
        AddGroupItem(db(), group, {QStringLiteral("第%1").arg(low / 10000000000), low, QStringLiteral(">="), low + 1,
                                   QStringLiteral("<")});
    openEditor(group);
    const QStringList down{QStringLiteral(">=130000000000"), QStringLiteral(">=120000000000"), QStringLiteral(">=110000000000")};
    QStringList up = down;
    std::reverse(up.begin(), up.end());
    auto title = [&] { return itemGrid()->model()->headerData(1, Qt::Horizontal).toString(); };
    auto order = [&] { return scalarText(QStringLiteral("SELECT orderstr FROM CT_Group WHERE id=?"), {group}); };

    clickTitle(itemGrid(), 1);
    EXPECT_EQ(gridColumn(itemGrid(), 1), down);
    EXPECT_EQ(title(), QStringLiteral("编号下限▼"));
    EXPECT_EQ(order(), QStringLiteral("LowValue DESC"));
    clickTitle(itemGrid(), 1);
    EXPECT_EQ(gridColumn(itemGrid(), 1), up);
    EXPECT_EQ(title(), QStringLiteral("编号下限▲"));
    EXPECT_EQ(order(), QStringLiteral("LowValue ASC"));
    clickTitle(itemGrid(), 1);
    EXPECT_EQ(gridColumn(itemGrid(), 1), down);
    EXPECT_EQ(title(), QStringLiteral("编号下限▼"));
    EXPECT_EQ(order(), QStringLiteral("LowValue DESC"));
    EXPECT_EQ(itemGrid()->model()->headerData(1, Qt::Horizontal, Qt::BackgroundRole).value<QColor>(), QColor(0, 255, 0));

    // Another title takes over the colour and the arrow; the order follows it.
    clickTitle(itemGrid(), 0);
    EXPECT_EQ(title(), QStringLiteral("编号下限"));
    EXPECT_EQ(itemGrid()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("数据项目名称▲"));
    EXPECT_EQ(order(), QStringLiteral("title ASC"));
}

TEST_F(GroupFormsTest, TheNameIsSavedAsTypedAndTheListShowsIt) {
    AddGrouping(db(), QStringLiteral("旧名"));
    TdlgGroupListForm& dialog = openList();
    auto* grid = in<GroupGridView>(&dialog, "GroupGrid");
    bool emptyDisables = false;
    onNextModal(&dialog, [&](QDialog* opened) {
        auto* name = opened->findChild<QLineEdit*>(QStringLiteral("GroupName"));
        auto* save = opened->findChild<QPushButton*>(QStringLiteral("tbSave"));
        typeInto(name, QString());
        emptyDisables = !save->isEnabled();
        typeInto(name, QStringLiteral("新名'; drop table CT_Group; --"));
        click(save);
    });
    click(button(&dialog, "tbEdit"));
    EXPECT_TRUE(emptyDisables);
    EXPECT_EQ(gridColumn(grid, 0), QStringList{QStringLiteral("新名'; drop table CT_Group; --")});
}

TEST_F(GroupFormsTest, ExportAndImportFromTheListDialog) {
    const qint64 group = AddGrouping(db(), QStringLiteral("按地区"));
    AddGroupItem(db(), group, {QStringLiteral("O'Neil"), 1, QStringLiteral(">="), 2, QStringLiteral("<")});
    TdlgGroupListForm& dialog = openList();
    const QString path = folder.path(QStringLiteral("groups.mdb"));
    test::prompts().fileAnswers = {folder.path(QStringLiteral("groups"))};
    click(button(&dialog, "btnExport"));
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("数据已经被正确导出到：'") + path + QStringLiteral("'！")});

    test::prompts().answers = {true};
    click(button(&dialog, "tbRemove"));
    EXPECT_FALSE(button(&dialog, "tbEdit")->isEnabled());

    test::prompts().clear();
    test::prompts().fileAnswers = {path};
    click(button(&dialog, "btnImport"));
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("数据分组导入操作完成！")});
    EXPECT_EQ(gridColumn(in<GroupGridView>(&dialog, "GroupGrid"), 0), QStringList{QStringLiteral("按地区")});
    EXPECT_TRUE(button(&dialog, "tbEdit")->isEnabled());
    EXPECT_EQ(scalarText(QStringLiteral("SELECT Title FROM view_group_item")), QStringLiteral("O'Neil"));
}

TEST_F(GroupFormsTest, ADatabaseErrorWhileStoringShowsTheMessageAndStoresNothing) {
    const qint64 group = AddGrouping(db(), QStringLiteral("按地区"));
    db().executeScript(QStringLiteral("CREATE TRIGGER full BEFORE INSERT ON DT_GroupItem BEGIN SELECT RAISE(ABORT, '磁盘已满'); END"));
    TdlgGroupItemForm& dialog = openEditor(group);
    typeItem(QStringLiteral("东城区"), QStringLiteral("1"), QStringLiteral("2"));
    click(button(&dialog, "actAddItem"));
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("运行中发生错误：磁盘已满,请与软件发行者联系。")});
    EXPECT_EQ(itemGrid()->model()->rowCount(), 0);
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT count(*) FROM DT_GroupItem")).toInt(), 0);
    EXPECT_FALSE(db().inTransaction());
    EXPECT_FALSE(button(&dialog, "tbEdit")->isEnabled());
}
