#include "lists/DeleteForm.h"
#include "lists/LocateForm.h"
#include "lists/ShowForm.h"

#include "ListsTestSupport.h"
#include "app/MainForm.h"
#include "core/InputMethod.h"
#include "core/Platform.h"
#include "support/TypeText.h"
#include "widgets/RecordGrid.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

const QString kQuestion = QStringLiteral("您确定要删除当前所选择的记录吗？");
const QString kWarning = QStringLiteral("删除操作将不可恢复，您确认继续么？");
const QString kNotFound = QStringLiteral("没有找到满足条件的数据");

// The main window over a copy of the system data file with a few records.
class ListFormsTest : public ::testing::Test {
protected:
    void SetUp() override { setProgramFolder(folder.path(QString())); }
    void TearDown() override {
        form.reset();
        workingDatabase().connection.close();
        setProgramFolder({});
    }
    TMainForm& open(int records, const QStringList& names = {}) {
        test::surveyFileWithRecords(folder, records, names);
        form = std::make_unique<TMainForm>(TMainForm::Options{false});
        form->resize(1000, 600);
        form->show();
        QApplication::setActiveWindow(form.get());
        return *form;
    }
    RecordGridView* grid() { return form->recordGrid(); }
    int column(const QString& showName) {
        const TFieldDataArray& fields = grid()->listModel()->fields();
        for (size_t i = 0; i < fields.size(); ++i)
            if (fields[i].showName == showName) return int(i);
        return -1;
    }
    void clickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
        const QModelIndex index = grid()->listModel()->index(row, column(QStringLiteral("c902")));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, modifiers, grid()->visualRect(index).center());
    }
    QList<int> records() { return test::recordNumbers(workingDatabase().connection); }
    int currentRecord() { return int(form->recordList().integer(QStringLiteral("c901")) - test::kFirstCode + 1); }

    // Runs `drive` on the dialog of type T that `openIt` shows modally; a dialog
    // still open afterwards is closed with its return button. False when none showed.
    template <typename T> bool inDialog(const std::function<void()>& openIt, const std::function<void(T&)>& drive) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
            shown = dialog != nullptr;
            if (!dialog) return;
            QApplication::setActiveWindow(dialog);
            drive(*dialog);
            if (dialog->isVisible()) dialog->reject();
        });
        openIt();
        return shown;
    }
    template <typename T> static T* child(QWidget& dialog, const char* name) {
        return dialog.findChild<T*>(QLatin1String(name));
    }
    static void click(QWidget* widget) {
        ASSERT_NE(widget, nullptr);
        // Near the left edge: on the mark of a radio button or check box.
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(8, widget->height() / 2));
    }
    static void retype(QLineEdit* edit, const QString& text) {
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }

    test::TempFolder folder;
    std::unique_ptr<TMainForm> form;
};

} // namespace

TEST_F(ListFormsTest, TheDeleteKeyDeletesTwoOfThreeSelectedRowsWithYesToAll) {
    open(5);
    clickRow(0);
    clickRow(2, Qt::ControlModifier);
    clickRow(3, Qt::ControlModifier);
    test::prompts().questionAnswers = {ui::qaCancel, ui::qaYesToAll};
    EXPECT_TRUE(inDialog<TdlgDeleteForm>([&] { QTest::keyClick(grid(), Qt::Key_Delete); }, [&](TdlgDeleteForm& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("选择删除的方式"));
        EXPECT_TRUE(child<QRadioButton>(d, "Selected")->isChecked());
        QTest::mouseClick(child<QPushButton>(d, "tbDelete"), Qt::LeftButton);
        // The dialog stays open after a deletion.
        EXPECT_TRUE(d.isVisible());
        QTest::mouseClick(child<QPushButton>(d, "tbReturn"), Qt::LeftButton);
        EXPECT_FALSE(d.isVisible());
    }));
    EXPECT_EQ(test::prompts().messages, (QStringList{kQuestion, kQuestion}));
    EXPECT_EQ(records(), (QList<int>{1, 2, 5}));
    // The list returns to the row of the record asked about: now the last row.
    EXPECT_EQ(grid()->listModel()->rowCount(), 3);
    EXPECT_EQ(currentRecord(), 5);
    EXPECT_EQ(grid()->currentIndex().row(), 2);
}

TEST_F(ListFormsTest, WithoutAMarkedRowTheCurrentRowIsDeletedAfterConfirmation) {
    open(3);
    clickRow(1);
    clickRow(1, Qt::ControlModifier);  // unmarks the row; it stays current
    ASSERT_TRUE(grid()->selectionModel()->selectedRows().isEmpty());
    inDialog<TdlgDeleteForm>([&] { form->action(QStringLiteral("actDelete"))->trigger(); }, [&](TdlgDeleteForm& d) {
        test::prompts().questionAnswers = {ui::qaNo};
        QTest::mouseClick(child<QPushButton>(d, "tbDelete"), Qt::LeftButton);
        EXPECT_EQ(records(), (QList<int>{1, 2, 3}));
        test::prompts().questionAnswers = {ui::qaYes};
        QTest::mouseClick(child<QPushButton>(d, "tbDelete"), Qt::LeftButton);
    });
    EXPECT_EQ(test::prompts().messages, (QStringList{kQuestion, kQuestion}));
    EXPECT_EQ(records(), (QList<int>{1, 3}));
    EXPECT_EQ(currentRecord(), 3);
    EXPECT_EQ(grid()->currentIndex().row(), 1);
}

TEST_F(ListFormsTest, DeletingAllRecordsEmptiesTheListAndDisablesTheRecordCommands) {
    open(3);
    inDialog<TdlgDeleteForm>([&] { form->action(QStringLiteral("actDelete"))->trigger(); }, [&](TdlgDeleteForm& d) {
        click(child<QRadioButton>(d, "AllRecord"));
        QTest::mouseClick(child<QPushButton>(d, "tbDelete"), Qt::LeftButton);
        EXPECT_EQ(records().size(), 3);
        test::prompts().answers = {true};
        QTest::mouseClick(child<QPushButton>(d, "tbDelete"), Qt::LeftButton);
        EXPECT_TRUE(d.isVisible());
    });
    EXPECT_EQ(test::prompts().messages, (QStringList{kWarning, kWarning}));
    EXPECT_TRUE(records().isEmpty());
    EXPECT_EQ(grid()->listModel()->rowCount(), 0);
    for (const char* name : {"actModify", "actDelete", "actLocate", "actSearch", "actPrint"})
        EXPECT_FALSE(form->action(QLatin1String(name))->isEnabled()) << name;
    EXPECT_TRUE(form->action(QStringLiteral("actAddNew"))->isEnabled());
}

TEST_F(ListFormsTest, ARangeNeedsBothCodesAndAReversedRangeDeletesOnlyItsLowerBound) {
    open(5);
    inDialog<TdlgDeleteForm>([&] { form->action(QStringLiteral("actDelete"))->trigger(); }, [&](TdlgDeleteForm& d) {
        auto* first = child<QLineEdit>(d, "c901_1");
        auto* last = child<QLineEdit>(d, "c901_2");
        click(child<QRadioButton>(d, "Range"));
        QTest::mouseClick(child<QPushButton>(d, "tbDelete"), Qt::LeftButton);
        EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("请输入删除的范围")});
        // The fields take digits only.
        QTest::keyClicks(first, QStringLiteral("0.5"));
        EXPECT_EQ(first->text(), QStringLiteral("05"));
        retype(first, QStringLiteral("110101000004"));
        QTest::keyClicks(last, QStringLiteral("110101000002"));
        test::prompts().answers = {true};
        QString shownWhenAsked;
        test::prompts().whileAsking = [&] { shownWhenAsked = last->text(); };
        QTest::mouseClick(child<QPushButton>(d, "tbDelete"), Qt::LeftButton);
        EXPECT_EQ(shownWhenAsked, QStringLiteral("110101000004"));
    });
    EXPECT_EQ(test::prompts().messages.last(), kWarning);
    EXPECT_EQ(records(), (QList<int>{1, 2, 3, 5}));
    EXPECT_EQ(grid()->listModel()->rowCount(), 4);
}

TEST_F(ListFormsTest, ADatabaseErrorWhileDeletingSaysWhyAndDeletesNothing) {
    open(3);
    workingDatabase().connection.execute(QStringLiteral(
        "CREATE TRIGGER keep_three BEFORE DELETE ON dt_data WHEN old.c901 = 110101000003 "
        "BEGIN SELECT RAISE(ABORT, '记录被锁定'); END"));
    clickRow(1);
    clickRow(2, Qt::ShiftModifier);
    test::prompts().questionAnswers = {ui::qaYesToAll};
    inDialog<TdlgDeleteForm>([&] { form->action(QStringLiteral("actDelete"))->trigger(); }, [&](TdlgDeleteForm& d) {
        QTest::mouseClick(child<QPushButton>(d, "tbDelete"), Qt::LeftButton);
        EXPECT_TRUE(d.isVisible());
    });
    ASSERT_EQ(test::prompts().messages.size(), 2);
    EXPECT_TRUE(test::prompts().messages[1].startsWith(QStringLiteral("运行中发生错误："))) << test::prompts().messages[1].toStdString();
    EXPECT_EQ(records(), (QList<int>{1, 2, 3}));
    EXPECT_EQ(grid()->listModel()->rowCount(), 3);
    EXPECT_TRUE(form->action(QStringLiteral("actDelete"))->isEnabled());
}

TEST_F(ListFormsTest, LocatingByCodeWantsTwelveDigitsAndStaysOpenUntilItFindsTheRecord) {
    open(5);
    EXPECT_TRUE(inDialog<TdlgLocateForm>([&] { QTest::keyClick(form.get(), Qt::Key_L, Qt::ControlModifier); }, [&](TdlgLocateForm& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("定位数据记录"));
        auto* code = child<QLineEdit>(d, "edtCode");
        auto* locate = child<QPushButton>(d, "tbLocate");
        EXPECT_TRUE(child<QRadioButton>(d, "rbCode")->isChecked());
        QTest::keyClicks(code, QStringLiteral("11010100000"));
        QTest::mouseClick(locate, Qt::LeftButton);
        EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("编码必须为12位")});
        EXPECT_EQ(d.focusWidget(), child<QRadioButton>(d, "rbCode"));
        QTest::keyClick(code, Qt::Key_9);
        QTest::mouseClick(locate, Qt::LeftButton);
        EXPECT_EQ(test::prompts().messages.last(), kNotFound);
        EXPECT_TRUE(d.isVisible());
        retype(code, QStringLiteral("110101000003"));
        QTest::mouseClick(locate, Qt::LeftButton);
        EXPECT_FALSE(d.isVisible());
    }));
    EXPECT_EQ(test::prompts().messages.size(), 2);
    EXPECT_EQ(currentRecord(), 3);
    EXPECT_EQ(grid()->currentIndex().row(), 2);
}

TEST_F(ListFormsTest, LocatingByNameTakesWildcardsLiterallyAndGoesToTheFirstMatch) {
    open(5, {QStringLiteral("甲X公司工会"), QStringLiteral("乙Y会"), QStringLiteral("乙_会"), QStringLiteral("O'Neil工会"),
             QStringLiteral("丙工会")});
    std::vector<QStringList> runs;
    SetProgramRunner([&](const QString& program, const QStringList& arguments) {
        runs.push_back(QStringList{QFileInfo(program).fileName()} + arguments);
    });
    const QByteArray path = qgetenv("PATH");
    const QString bin = folder.path(QStringLiteral("bin"));
    QDir().mkpath(bin);
    test::writeAll(bin + QStringLiteral("/fcitx5-remote"), "#!/bin/sh\n");
    QFile::setPermissions(bin + QStringLiteral("/fcitx5-remote"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", bin.toLocal8Bit());

    auto locate = [&](const QString& name) {
        return inDialog<TdlgLocateForm>([&] { form->action(QStringLiteral("actLocate"))->trigger(); }, [&](TdlgLocateForm& d) {
            auto* edit = child<QLineEdit>(d, "edtName");
            QTest::mouseClick(child<QLineEdit>(d, "edtCode"), Qt::LeftButton);
            EXPECT_TRUE(runs.empty());
            QTest::mouseClick(edit, Qt::LeftButton);
            EXPECT_EQ(runs.size(), 1u);
            runs.clear();
            test::typeText(edit, name);
            EXPECT_TRUE(child<QRadioButton>(d, "rbName")->isChecked());
            QTest::mouseClick(child<QPushButton>(d, "tbLocate"), Qt::LeftButton);
            // Quotes cannot be typed into the name.
            EXPECT_FALSE(edit->text().contains(QLatin1Char('\'')));
        });
    };
    locate(QStringLiteral("乙_"));
    EXPECT_EQ(currentRecord(), 3);
    EXPECT_TRUE(test::prompts().messages.isEmpty());
    locate(QStringLiteral("O'Neil"));  // typed as "ONeil": no name holds it, but the letters of O'Neil工会 do
    EXPECT_EQ(currentRecord(), 4);
    locate(QStringLiteral("丁"));
    EXPECT_EQ(test::prompts().messages, QStringList{kNotFound});
    EXPECT_EQ(currentRecord(), 4);
    // Sorted by code, highest first: the first record the database returns is still the lowest code.
    QHeaderView* header = grid()->horizontalHeader();
    const int c901 = column(QStringLiteral("c901"));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(c901) + 10, header->height() / 2));
    locate(QStringLiteral("工会"));
    EXPECT_EQ(currentRecord(), 1);
    EXPECT_EQ(grid()->currentIndex().row(), 4);

    qputenv("PATH", path);
    SetProgramRunner({});
}

namespace {

// The check boxes of the visibility dialog, page by page; clicking a page's tab shows it.
struct ShowFormPages {
    QTabWidget* tabs;
    void showPage(int page) const {
        QTabBar* bar = tabs->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page).center());
    }
    QList<QCheckBox*> boxes(int page) const { return tabs->widget(page)->findChildren<QCheckBox*>(); }
    QScrollArea* scroll(int page) const { return qobject_cast<QScrollArea*>(tabs->widget(page)); }
    // Clicks a box of the page shown, scrolling to it first as the user does.
    void click(int page, QCheckBox* box) const {
        scroll(page)->ensureWidgetVisible(box);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    }
};

} // namespace

TEST_F(ListFormsTest, ConfirmingWithNoBoxTickedHidesEveryColumnOfASheet) {
    open(2);
    ASSERT_TRUE(form->action(QStringLiteral("actRecordGrid"))->isEnabled());
    EXPECT_TRUE(inDialog<TdlgShowForm>([&] { form->action(QStringLiteral("actRecordGrid"))->trigger(); }, [&](TdlgShowForm& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("自定义列表项"));
        const ShowFormPages pages{d.findChild<QTabWidget*>()};
        EXPECT_EQ(pages.tabs->tabPosition(), QTabWidget::South);
        ASSERT_EQ(pages.tabs->count(), 14);
        EXPECT_EQ(pages.tabs->tabText(0), QStringLiteral("封面"));
        EXPECT_EQ(pages.tabs->tabText(1), QStringLiteral("表1  工会组织建设及民主参与状况"));
        for (int page = 0; page < pages.tabs->count(); ++page) {
            pages.showPage(page);
            EXPECT_EQ(pages.tabs->currentIndex(), page);
            for (QCheckBox* box : pages.boxes(page))
                if (box->isChecked()) pages.click(page, box);
        }
        auto* ok = child<QPushButton>(d, "tbOk");
        QTest::mouseClick(ok, Qt::LeftButton);
        EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("保存成功")});
        EXPECT_FALSE(ok->isEnabled());
        QTest::mouseClick(child<QPushButton>(d, "tbClose"), Qt::LeftButton);
        EXPECT_FALSE(d.isVisible());
    }));
    // The grid is still there with every column of a sheet hidden; RecordState has no box and stays.
    ASSERT_NE(grid(), nullptr);
    EXPECT_TRUE(grid()->isVisible());
    EXPECT_EQ(grid()->listModel()->rowCount(), 2);
    QStringList shown;
    for (int c = 0; c < grid()->listModel()->columnCount(); ++c)
        if (!grid()->isColumnHidden(c)) shown << grid()->listModel()->fields()[size_t(c)].showName;
    EXPECT_EQ(shown, QStringList{QStringLiteral("RecordState")});
}

TEST_F(ListFormsTest, BoxesLieInTwoColumnsLongPagesScrollAndOnlyConfirmingStoresTheTicks) {
    open(1);
    const int z002 = column(QStringLiteral("z002"));
    ASSERT_TRUE(grid()->isColumnHidden(z002));
    auto tickZ002 = [&](TdlgShowForm& d) {
        const ShowFormPages pages{d.findChild<QTabWidget*>()};
        pages.showPage(1);
        const QList<QCheckBox*> boxes = pages.boxes(1);
        ASSERT_GE(boxes.size(), 3);
        EXPECT_EQ(boxes[0]->text(), QStringLiteral("z001--") + grid()->listModel()->title(column(QStringLiteral("z001"))));
        EXPECT_EQ(boxes[1]->objectName(), QStringLiteral("z002"));
        EXPECT_EQ(boxes[1]->geometry(), QRect(442, 6, 438, 35));
        EXPECT_EQ(boxes[2]->geometry(), QRect(4, 36, 438, 35));
        EXPECT_FALSE(boxes[1]->isChecked());
        pages.click(1, boxes[1]);
        EXPECT_TRUE(boxes[1]->isChecked());
        // A sheet of 34 fields does not fit and scrolls.
        pages.showPage(3);
        EXPECT_GT(pages.scroll(3)->verticalScrollBar()->maximum(), 0);
        EXPECT_EQ(pages.scroll(1)->verticalScrollBar()->maximum(), 0);
    };
    inDialog<TdlgShowForm>([&] { form->action(QStringLiteral("actRecordGrid"))->trigger(); }, [&](TdlgShowForm& d) {
        tickZ002(d);
        QTest::mouseClick(child<QPushButton>(d, "tbClose"), Qt::LeftButton);
    });
    EXPECT_TRUE(grid()->isColumnHidden(z002));
    EXPECT_FALSE(workingDatabase().connection.scalar(QStringLiteral("SELECT Visible FROM DT_FieldList WHERE FieldName='z002'")).toBool());

    inDialog<TdlgShowForm>([&] { form->action(QStringLiteral("actRecordGrid"))->trigger(); }, [&](TdlgShowForm& d) {
        tickZ002(d);
        QTest::mouseClick(child<QPushButton>(d, "tbOk"), Qt::LeftButton);
    });
    EXPECT_FALSE(grid()->isColumnHidden(z002));
    EXPECT_FALSE(grid()->isColumnHidden(column(QStringLiteral("c901"))));
}
