#include "app/AboutForm.h"
#include "app/GroupBar.h"
#include "app/MainForm.h"
#include "core/Platform.h"
#include "core/Prompt.h"
#include "widgets/RecordGrid.h"
#include "core/Startup.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "entry/SurveyDataForm.h"
#include "exchange/ExportForReporting.h"
#include "support/MainWindowTest.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QRegularExpression>
#include <QFile>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <stdexcept>

#include <unistd.h>

namespace {

// A main window over a private copy of the system data file.
class MainFormTest : public test::MainWindowTest {
protected:
    void addRecords(int count) {
        db::Connection c;
        c.open(dataFile);
        for (int i = 1; i <= count; ++i)
            c.execute(QStringLiteral("INSERT INTO dt_data(c901, c902, c904, z001, RecordState) VALUES (?, ?, ?, ?, ?)"),
                      {qint64(110101000000) + i, QStringLiteral("单位%1").arg(i), 10 + i % 3, i * 10 % 7, i % 3});
    }
    void deleteRecords(const QString& condition) {
        db::Connection c;
        c.open(dataFile);
        c.execute(QStringLiteral("DELETE FROM dt_data WHERE ") + condition);
    }
    int column(const QString& showName) {
        const TFieldDataArray& fields = form->recordGrid()->listModel()->fields();
        for (size_t i = 0; i < fields.size(); ++i)
            if (fields[i].showName == showName) return int(i);
        return -1;
    }
    QStringList codesInGridOrder() {
        QStringList codes;
        RecordListModel* model = form->recordGrid()->listModel();
        for (int r = 0; r < model->rowCount(); ++r) codes << model->data(model->index(r, column(QStringLiteral("c901"))), Qt::DisplayRole).toString();
        return codes;
    }
    void clickTitle(int c) { emit form->recordGrid()->horizontalHeader()->sectionClicked(c); }
    // A mouse click on a column title, as the user sorts.
    void clickTitleWithMouse(int c) {
        QHeaderView* header = form->recordGrid()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(c) + header->sectionSize(c) / 2, header->height() / 2));
    }
    void clickCell(int row, int c, Qt::KeyboardModifiers modifiers = {}) {
        RecordGridView* grid = form->recordGrid();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, grid->visualRect(grid->listModel()->index(row, c)).center());
    }
    // The group bar's button of a command.
    QToolButton* groupBarButton(const QString& caption) {
        for (QToolButton* b : form->findChildren<QToolButton*>())
            if (b->text().remove(QLatin1Char('\n')) == caption) return b;
        return nullptr;
    }
    QString title(int c) { return form->recordGrid()->listModel()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(); }
    QVariant titleColour(int c) { return form->recordGrid()->listModel()->headerData(c, Qt::Horizontal, Qt::BackgroundRole); }
    // An exchange file from an office below holding one saved record, 110105000001.
    QString exchangeFileOfOneRecord() {
        const QString exchangeFile = folder.path(QStringLiteral("下级.dat"));
        test::TempFolder other;
        WorkingDatabase office;
        office.connection.open(other.copyOfSystemDataFile());
        office.path = office.connection.path();
        office.connection.execute(QStringLiteral("INSERT INTO dt_data(c901,c902,c907,RecordState) VALUES(110105000001,'乙',1,1)"));
        QFile::copy(test::builtProgramFolder() + QStringLiteral("view.dll"), folder.path(QStringLiteral("view.dll")));
        WriteExchangeFile(office, QStringLiteral("朝阳区总工会"), exchangeFile);
        return exchangeFile;
    }

};

} // namespace

TEST_F(MainFormTest, ShowsTheLabelTheVersionAndAColumnPerField) {
    addRecords(3);
    TMainForm& f = open();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("2019年度全国Varnel--基层以上工会调查表（离线工具） - 默认数据库"));
    EXPECT_TRUE(f.statusBar()->findChildren<QLabel*>().first()->text().startsWith(QStringLiteral("开发单位：Quillon\u3000软件版本：1.0 (Build ")));
    RecordListModel* model = f.recordGrid()->listModel();
    EXPECT_EQ(model->columnCount(), 213);
    EXPECT_EQ(model->rowCount(), 3);
    // Every field has a column; the invisible ones are hidden.
    EXPECT_FALSE(f.recordGrid()->isColumnHidden(column(QStringLiteral("c901"))));
    EXPECT_TRUE(f.recordGrid()->isColumnHidden(column(QStringLiteral("z002"))));
    EXPECT_EQ(model->data(model->index(0, column(QStringLiteral("RecordState"))), Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    EXPECT_EQ(model->data(model->index(0, 0), Qt::BackgroundRole).value<QColor>(), QColor(249, 251, 231));
    EXPECT_EQ(model->data(model->index(1, 0), Qt::BackgroundRole).value<QColor>(), QColor(219, 219, 241));
    EXPECT_EQ(codesInGridOrder().first(), QStringLiteral("110101000001"));
}

TEST_F(MainFormTest, AnEmptyListDisablesTheRecordCommandsButNotInsertAndDelete) {
    TMainForm& f = open();
    QStringList ran;
    for (const char* name : {"actAddNew", "actModify", "actDelete", "actLocate", "actSearch", "actConditionSearch", "actPrint"})
        f.wire(f.action(QLatin1String(name)), [&ran, name] { ran << QLatin1String(name); });
    for (const char* name : {"actModify", "actDelete", "actLocate", "actSearch", "actPrint"})
        EXPECT_FALSE(f.action(QLatin1String(name))->isEnabled()) << name;
    EXPECT_TRUE(f.action(QStringLiteral("actAddNew"))->isEnabled());
    f.show();
    QApplication::setActiveWindow(&f);
    QTest::keyClick(&f, Qt::Key_L, Qt::ControlModifier);
    QTest::keyClick(&f, Qt::Key_F, Qt::ControlModifier);
    QTest::keyClick(f.recordGrid(), Qt::Key_Return);
    emit f.recordGrid()->doubleClicked({});
    EXPECT_TRUE(ran.isEmpty()) << ran.join(QLatin1Char(' ')).toStdString();
    QTest::keyClick(f.recordGrid(), Qt::Key_Insert);
    QTest::keyClick(f.recordGrid(), Qt::Key_Delete);
    EXPECT_EQ(ran, (QStringList{QStringLiteral("actAddNew"), QStringLiteral("actDelete")}));

    addRecords(1);
    f.requeryRecordList();
    for (const char* name : {"actModify", "actDelete", "actLocate", "actSearch", "actPrint"})
        EXPECT_TRUE(f.action(QLatin1String(name))->isEnabled()) << name;
    ran.clear();
    QTest::keyClick(&f, Qt::Key_L, Qt::ControlModifier);
    QTest::keyClick(&f, Qt::Key_F, Qt::ControlModifier);
    QTest::keyClick(f.recordGrid(), Qt::Key_Return);
    EXPECT_EQ(ran, (QStringList{QStringLiteral("actLocate"), QStringLiteral("actConditionSearch"), QStringLiteral("actModify")}));
}

TEST_F(MainFormTest, TheCommandsAreEnabledOnAListWithRecords) {
    addRecords(2);
    TMainForm& f = open();
    const QList<QAction*> commands = f.findChildren<QAction*>(QRegularExpression(QStringLiteral("^act")), Qt::FindDirectChildrenOnly);
    EXPECT_EQ(commands.size(), 24);
    for (const QAction* command : commands) EXPECT_TRUE(command->isEnabled()) << command->objectName().toStdString();
}

TEST_F(MainFormTest, ThreeClicksOnOneTitleSortDescendingAscendingDescending) {
    addRecords(5);
    TMainForm& f = open();
    const int code = column(QStringLiteral("c901"));
    const QString plain = title(code);
    clickTitle(code);
    EXPECT_EQ(codesInGridOrder().first(), QStringLiteral("110101000005"));
    EXPECT_EQ(title(code), plain + QStringLiteral("▼"));
    clickTitle(code);
    EXPECT_EQ(codesInGridOrder().first(), QStringLiteral("110101000001"));
    EXPECT_EQ(title(code), plain + QStringLiteral("▲"));
    clickTitle(code);
    EXPECT_EQ(codesInGridOrder().first(), QStringLiteral("110101000005"));
    EXPECT_EQ(title(code), plain + QStringLiteral("▼"));
    EXPECT_EQ(titleColour(code).value<QColor>(), QColor(0, 255, 0));
    EXPECT_EQ(f.recordList().sortOrder(), QStringLiteral("c901 DESC"));
}

TEST_F(MainFormTest, TheDirectionTogglesAcrossTitles) {
    addRecords(5);
    TMainForm& f = open();
    const int a = column(QStringLiteral("c901"));
    const int b = column(QStringLiteral("c902"));
    const QString titleA = title(a), titleB = title(b);
    clickTitle(a);  // descending
    clickTitle(b);  // ascending
    EXPECT_EQ(f.recordList().sortOrder(), QStringLiteral("c902 ASC"));
    EXPECT_EQ(title(b), titleB + QStringLiteral("▲"));
    EXPECT_EQ(titleColour(b).value<QColor>(), QColor(0, 255, 0));
    EXPECT_EQ(title(a), titleA);
    EXPECT_NE(titleColour(a).value<QColor>(), QColor(0, 255, 0));
    // Rebuilding the grid forgets the sort: the next click sorts descending again.
    f.BuildRecordGrid();
    clickTitle(b);
    EXPECT_EQ(f.recordList().sortOrder(), QStringLiteral("c902 DESC"));
}

TEST_F(MainFormTest, TheMouseWheelMovesLikeTheArrowKeys) {
    addRecords(5);
    TMainForm& f = open();
    f.show();
    f.recordGrid()->setFocus();
    QApplication::setActiveWindow(&f);
    const QPoint at = f.recordGrid()->viewport()->rect().center();
    QWheelEvent down(at, f.recordGrid()->viewport()->mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.recordGrid()->viewport(), &down);
    QApplication::sendEvent(f.recordGrid()->viewport(), &down);
    EXPECT_EQ(f.recordList().position(), 2);
    QWheelEvent up(at, f.recordGrid()->viewport()->mapToGlobal(at), {}, QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.recordGrid()->viewport(), &up);
    EXPECT_EQ(f.recordList().position(), 1);
}

TEST_F(MainFormTest, BackupNamesFollowTheExtensionRule) {
    addRecords(4);
    TMainForm& f = open();
    f.recordList().moveTo(2);
    f.recordGrid()->refresh();
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(folder.path(QString()));
    test::prompts().fileAnswers = {folder.path(QStringLiteral("copy")), folder.path(QStringLiteral("copy.MDB")),
                                   folder.path(QStringLiteral("done.mdb")), QStringLiteral("abcd"), QStringLiteral("   ")};
    for (int i = 0; i < 5; ++i) f.actBackupExecute();
    QDir::setCurrent(cwd);
    EXPECT_EQ(test::prompts().fileRequests.front().title, QStringLiteral("备份文件存放为"));
    EXPECT_EQ(test::prompts().fileRequests.front().filters, QStringList{QStringLiteral("Access文件(*.mdb)")});
    for (const char* name : {"copy.mdb", "copy.MDB.mdb", "done.mdb", "abcd"})
        EXPECT_EQ(test::readAll(folder.path(QLatin1String(name))), test::readAll(dataFile)) << name;
    EXPECT_EQ(test::prompts().messages.count(QStringLiteral("备份成功")), 4);
    // The list is back on the remembered row.
    EXPECT_EQ(f.recordList().position(), 2);
    EXPECT_TRUE(workingDatabase().connection.isOpen());
}

TEST_F(MainFormTest, BackupOntoTheDatabaseFileFailsAndLeavesItIntact) {
    addRecords(4);
    TMainForm& f = open();
    const QByteArray before = test::readAll(dataFile);
    test::prompts().fileAnswers = {dataFile};
    f.actBackupExecute();
    EXPECT_EQ(test::readAll(dataFile), before);
    ASSERT_EQ(test::prompts().messages.size(), 1);
    EXPECT_NE(test::prompts().messages[0], QStringLiteral("备份成功"));
    EXPECT_EQ(f.recordList().rowCount(), 4);
    // Nor onto the same file under another name.
    const QString link = folder.path(QStringLiteral("link.mdb"));
    ASSERT_EQ(::link(QFile::encodeName(dataFile).constData(), QFile::encodeName(link).constData()), 0);
    test::prompts().clear();
    test::prompts().fileAnswers = {link};
    f.actBackupExecute();
    EXPECT_EQ(test::prompts().errors, QStringList{QStringLiteral("不能备份到正在使用的数据库文件，请选择其它文件。")});
    EXPECT_EQ(test::readAll(dataFile), before);
}

TEST_F(MainFormTest, CompactionKeepsEveryRecordAndStartsAtTheFirstRow) {
    addRecords(300);
    {
        db::Connection c;
        c.open(dataFile);
        c.execute(QStringLiteral("DELETE FROM dt_data WHERE c901 % 3 = 0"));
    }
    TMainForm& f = open();
    f.recordList().moveTo(50);
    f.actCompressExecute();
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("压缩操作成功")});
    EXPECT_EQ(f.recordList().rowCount(), 200);
    EXPECT_EQ(f.recordList().position(), 0);
    EXPECT_EQ(workingDatabase().connection.scalar(QStringLiteral("SELECT count(*) FROM dt_data")).toInt(), 200);
}

TEST_F(MainFormTest, AfterCompactionTheTitlesShowTheCodeOrder) {
    addRecords(5);
    TMainForm& f = open();
    f.show();
    QApplication::setActiveWindow(&f);
    const int code = column(QStringLiteral("c901"));
    const QString plain = title(code);
    clickTitleWithMouse(code);
    ASSERT_EQ(title(code), plain + QStringLiteral("▼"));
    for (QPushButton* group : f.findChildren<QPushButton*>())
        if (group->text() == QStringLiteral("系统工具")) QTest::mouseClick(group, Qt::LeftButton);
    QTest::mouseClick(groupBarButton(QStringLiteral("压缩数据库文件")), Qt::LeftButton);
    ASSERT_EQ(test::prompts().messages, QStringList{QStringLiteral("压缩操作成功")});
    EXPECT_EQ(codesInGridOrder().first(), QStringLiteral("110101000001"));
    EXPECT_EQ(title(code), plain);
    EXPECT_NE(titleColour(code).value<QColor>(), QColor(0, 255, 0));
    clickTitleWithMouse(code);
    EXPECT_EQ(codesInGridOrder().first(), QStringLiteral("110101000005"));
}

TEST_F(MainFormTest, TheReleaseOfAnEnterPressedInAClosedMessageBoxOpensNothing) {
    addRecords(2);
    TMainForm& f = open();
    QStringList ran;
    f.wire(f.action(QStringLiteral("actModify")), [&ran] { ran << QStringLiteral("actModify"); });
    f.show();
    QApplication::setActiveWindow(&f);
    // The press closed the box "数据已经被临时保存。"; only its release reaches the grid.
    QTest::keyRelease(f.recordGrid(), Qt::Key_Return);
    EXPECT_TRUE(ran.isEmpty());
    QTest::keyClick(f.recordGrid(), Qt::Key_Return);
    EXPECT_EQ(ran, QStringList{QStringLiteral("actModify")});
}

TEST_F(MainFormTest, CompactionAndBackupRefuseWhileAnotherProgramHoldsTheFile) {
    addRecords(30);
    TMainForm& f = open();
    f.recordList().moveTo(5);
    const QByteArray before = test::readAll(dataFile);
    db::Connection otherProgram;
    otherProgram.open(dataFile);
    otherProgram.executeScript(QStringLiteral("BEGIN IMMEDIATE"));
    const QString inUse = QStringLiteral("数据库文件正被其他程序使用，请先关闭其他程序");

    f.actCompressExecute();
    test::prompts().fileAnswers = {folder.path(QStringLiteral("copy.mdb"))};
    f.actBackupExecute();
    EXPECT_EQ(test::prompts().messages, (QStringList{QStringLiteral("运行中发生错误：") + inUse, inUse}));
    EXPECT_FALSE(QFile::exists(folder.path(QStringLiteral("copy.mdb"))));
    EXPECT_EQ(test::readAll(dataFile), before);
    // The window goes on with its list where it was.
    EXPECT_TRUE(workingDatabase().connection.isOpen());
    EXPECT_EQ(f.recordList().rowCount(), 30);
    EXPECT_EQ(f.recordList().position(), 5);

    otherProgram.rollback();
    otherProgram.close();
    test::prompts().clear();
    f.actCompressExecute();
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("压缩操作成功")});
}

TEST_F(MainFormTest, TheHiddenCommandMarksEveryRecordSaved) {
    addRecords(6);
    TMainForm& f = open();
    f.recordList().moveTo(3);
    TdlgAboutForm about;
    about.show();
    QLabel* name = about.nameLabel();
    auto count = [] {
        return workingDatabase().connection.scalar(QStringLiteral("SELECT count(*) FROM dt_data WHERE RecordState<>1")).toInt();
    };
    // A single click, or a double click with Shift as well, does nothing.
    QTest::mouseClick(name, Qt::LeftButton, Qt::ControlModifier | Qt::AltModifier);
    QTest::mouseDClick(name, Qt::LeftButton, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    QTest::mouseDClick(name, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_GT(count(), 0);
    EXPECT_TRUE(about.isVisible());
    QTest::mouseDClick(name, Qt::RightButton, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(count(), 0);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(f.recordList().position(), 3);
    EXPECT_EQ(f.recordList().integer(QStringLiteral("RecordState")), 1);
}

TEST_F(MainFormTest, TheSplashClosesItselfAfterFiftyTicks) {
    TMainForm& f = open();
    (void)f;
    TdlgAboutForm splash;
    splash.startProgress();
    splash.show();
    EXPECT_TRUE(splash.progressBar()->isVisible());
    for (int i = 0; i < 49; ++i) splash.tick();
    EXPECT_TRUE(splash.isVisible());
    splash.tick();
    EXPECT_FALSE(splash.isVisible());

    // Opened from the menu it shows no progress and stays until clicked.
    TdlgAboutForm about;
    about.show();
    EXPECT_FALSE(about.progressBar()->isVisible());
    QTest::mouseClick(&about, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(about.isVisible());
}

TEST_F(MainFormTest, TheAboutBoxFromTheMenuOpensTheUserGuideWithItsPictures) {
    TMainForm& f = open();
    TdlgAboutForm splash;
    splash.startProgress();
    splash.show();
    EXPECT_FALSE(splash.guideButton()->isVisible());
    splash.close();

    TdlgAboutForm about(&f);
    about.show();
    QTest::mouseClick(about.guideButton(), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    QWidget* window = nullptr;
    for (QWidget* shown : QApplication::topLevelWidgets())
        if (shown->isVisible() && shown->windowTitle() == QStringLiteral("用户手册")) window = shown;
    ASSERT_NE(window, nullptr);
    auto* guide = window->findChild<QTextBrowser*>();
    ASSERT_NE(guide, nullptr);
    EXPECT_TRUE(guide->toPlainText().contains(QStringLiteral("备份和恢复数据库")));
    for (const char* picture : {"main-window.png", "entry-dialog.png", "summary.png", "import.png"})
        EXPECT_FALSE(guide->loadResource(QTextDocument::ImageResource, QUrl(QString::fromLatin1(picture))).isNull()) << picture;
    window->close();
}

TEST_F(MainFormTest, TheAboutBoxNamesThePerUserProgramFolderOnlyWhenInUse) {
    open();
    auto folderLines = [](const TdlgAboutForm& about) {
        QStringList lines;
        for (const QLabel* label : about.findChildren<QLabel*>())
            if (label->text().startsWith(QStringLiteral("数据文件夹："))) lines << label->text();
        return lines;
    };
    EXPECT_TRUE(folderLines(TdlgAboutForm()).isEmpty());
    // Its title, in the taskbar and the window list, is the system's own.
    EXPECT_EQ(TdlgAboutForm().windowTitle(), QStringLiteral("Varnel_基层以上（离线工具）"));
    setProgramFolder(perUserProgramFolder());
    EXPECT_EQ(folderLines(TdlgAboutForm()), QStringList{QStringLiteral("数据文件夹：") + perUserProgramFolder()});
}

TEST_F(MainFormTest, PrintingTheCurrentRecordHandsAWorkbookToTheUser) {
    addRecords(3);
    QFile::copy(test::builtProgramFolder() + QStringLiteral("2019打印表.xltx"), folder.path(QStringLiteral("2019打印表.xltx")));
    TMainForm& f = open();
    f.recordList().moveTo(1);
    QStringList opened;
    setFileOpener([&](const QString& path) { opened << path; });
    f.action(QStringLiteral("actPrint"))->trigger();
    setFileOpener({});
    ASSERT_EQ(opened.size(), 1) << test::prompts().messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(opened[0].endsWith(QStringLiteral("2019打印表-110101000002.xlsx")));
    QFile::remove(opened[0]);
}

TEST_F(MainFormTest, AnImportedFileShowsInTheListWhichStaysOnItsRow) {
    addRecords(4);
    const QString exchangeFile = exchangeFileOfOneRecord();
    TMainForm& f = open();
    f.recordList().moveTo(2);
    const qint64 current = f.recordList().integer(QStringLiteral("c901"));
    test::prompts().fileAnswers = {exchangeFile};
    test::prompts().answers = {true};
    ASSERT_TRUE(f.action(QStringLiteral("actFastImport"))->isEnabled());
    f.action(QStringLiteral("actFastImport"))->trigger();
    EXPECT_EQ(test::prompts().messages.last(), QStringLiteral("数据已经被正确地从'") + exchangeFile + QStringLiteral("'导入！"));
    EXPECT_EQ(f.recordList().rowCount(), 5);
    EXPECT_EQ(f.recordList().integer(QStringLiteral("c901")), current);
}

TEST_F(MainFormTest, TheStatusBarCountsTheRecordsByStateAfterImportDeleteAndCheck) {
    addRecords(4);  // states 1, 2, 0, 1
    {
        db::Connection c;
        c.open(dataFile);
        c.execute(QStringLiteral("UPDATE dt_data SET c907=1"));  // reporting, so checked
    }
    const QString exchangeFile = exchangeFileOfOneRecord();
    TMainForm& f = open();
    QLabel* counts = f.recordCounts();
    EXPECT_TRUE(f.statusBar()->isAncestorOf(counts));
    EXPECT_EQ(counts->text(), QStringLiteral("共4条：无错误2条，有错误1条，临时保存1条"));

    test::prompts().fileAnswers = {exchangeFile};
    test::prompts().answers = {true};
    QTest::mouseClick(groupBarButton(QStringLiteral("数据导入")), Qt::LeftButton);
    EXPECT_EQ(counts->text(), QStringLiteral("共5条：无错误3条，有错误1条，临时保存1条"));

    // The held record 110101000003 deleted through the delete dialog.
    f.recordList().moveTo(2);
    f.recordGrid()->refresh();
    test::prompts().questionAnswers = {ui::qaYes};
    QTimer::singleShot(0, [] {
        QDialog* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("tbDelete")), Qt::LeftButton);
        dialog->reject();
    });
    QTest::mouseClick(groupBarButton(QStringLiteral("删除记录")), Qt::LeftButton);
    EXPECT_EQ(counts->text(), QStringLiteral("共4条：无错误3条，有错误1条，临时保存0条"));

    // The record with errors, 110101000002, checked clean.
    clickCell(1, column(QStringLiteral("c902")));
    ASSERT_EQ(f.selectedCodes(), QList<qint64>{110101000002});
    f.action(QStringLiteral("actCheckSelected"))->trigger();
    EXPECT_EQ(test::prompts().messages.last(), QStringLiteral("恭喜你，所检查的数据没有逻辑错误"));
    EXPECT_EQ(counts->text(), QStringLiteral("共4条：无错误4条，有错误0条，临时保存0条"));
}

TEST_F(MainFormTest, ACommandThatFailsSaysWhyAndTheProgramGoesOn) {
    addRecords(3);
    TMainForm& f = open();
    f.show();
    QApplication::setActiveWindow(&f);
    f.wire(f.action(QStringLiteral("actDelete")), [] { throw db::Error(QStringLiteral("磁盘已满")); });
    f.wire(f.action(QStringLiteral("actSum")), [] { throw std::runtime_error("内存不足"); });
    f.recordGrid()->setFocus();
    QTest::keyClick(f.recordGrid(), Qt::Key_Delete);
    QToolButton* sum = groupBarButton(QStringLiteral("数据汇总"));
    ASSERT_NE(sum, nullptr);
    QTest::mouseClick(sum, Qt::LeftButton);
    EXPECT_EQ(test::prompts().messages,
              (QStringList{QStringLiteral("运行中发生错误：磁盘已满"), QStringLiteral("运行中发生错误：内存不足")}));
    // The window still answers.
    QTest::keyClick(f.recordGrid(), Qt::Key_Down);
    EXPECT_EQ(f.recordList().position(), 1);
}

namespace {

// A window whose click handler fails, as a fault in any window would.
class FailingWidget final : public QWidget {
protected:
    void mousePressEvent(QMouseEvent*) override { throw db::Error(QStringLiteral("数据库文件已损坏")); }
};

} // namespace

TEST_F(MainFormTest, AnErrorEscapingAWindowIsShownInsteadOfEndingTheProgram) {
    FailingWidget window;
    window.show();
    QTest::mouseClick(&window, Qt::LeftButton);
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("运行中发生错误：数据库文件已损坏")});
}

TEST_F(MainFormTest, CtrlEndOntoARecordDeletedElsewhereRunsTheListAgain) {
    addRecords(5);
    TMainForm& f = open();
    f.show();
    QApplication::setActiveWindow(&f);
    f.recordGrid()->setFocus();
    deleteRecords(QStringLiteral("c901 = 110101000005"));
    QTest::keyClick(f.recordGrid(), Qt::Key_End, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_TRUE(test::prompts().messages.isEmpty()) << test::prompts().messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(f.recordList().rowCount(), 4);
    EXPECT_EQ(f.recordList().position(), 3);
    EXPECT_EQ(f.recordGrid()->currentIndex().row(), 3);
    EXPECT_EQ(f.recordList().integer(QStringLiteral("c901")), 110101000004);
    EXPECT_EQ(codesInGridOrder().last(), QStringLiteral("110101000004"));
}

TEST_F(MainFormTest, RowsDeletedElsewhereAreDrawnEmptyAndTheListRunsAgain) {
    addRecords(5);
    TMainForm& f = open();
    f.recordList().moveTo(1);
    f.recordGrid()->refresh();
    // Every row selected (Ctrl+A), before anything is drawn.
    f.show();
    QApplication::setActiveWindow(&f);
    f.recordGrid()->setFocus();
    QTest::keyClick(f.recordGrid(), Qt::Key_A, Qt::ControlModifier);
    deleteRecords(QStringLiteral("c901 IN (110101000003, 110101000004)"));
    RecordListModel* model = f.recordGrid()->listModel();
    EXPECT_FALSE(model->data(model->index(2, column(QStringLiteral("c902"))), Qt::DisplayRole).isValid());
    // Commands on the selection see only the records that are still there.
    EXPECT_EQ(f.selectedCodes(), (QList<qint64>{110101000001, 110101000002, 110101000005}));
    f.recordGrid()->viewport()->grab();
    QApplication::processEvents();
    EXPECT_EQ(codesInGridOrder(), (QStringList{QStringLiteral("110101000001"), QStringLiteral("110101000002"),
                                               QStringLiteral("110101000005")}));
    EXPECT_EQ(f.recordList().integer(QStringLiteral("c901")), 110101000002);
    EXPECT_TRUE(test::prompts().messages.isEmpty());

    // When every row is gone, a move finds it out and the commands that need a row are disabled.
    deleteRecords(QStringLiteral("1"));
    QTest::keyClick(f.recordGrid(), Qt::Key_Down);
    QApplication::processEvents();
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_FALSE(f.action(QStringLiteral("actModify"))->isEnabled());
}

TEST_F(MainFormTest, SortAndRerunKeepTheSelectedRecordsTheColumnAndTheScroll) {
    addRecords(12);  // z001 = i * 10 % 7: a sort on it reorders the rows
    TMainForm& f = open();
    f.resize(700, 500);
    f.show();
    QApplication::setActiveWindow(&f);
    QApplication::processEvents();
    RecordGridView* grid = f.recordGrid();
    const int z001 = column(QStringLiteral("z001"));
    // A click on the first row, then the right arrow until z001 is current and the grid has scrolled sideways.
    clickCell(0, column(QStringLiteral("c902")));
    for (int i = 0; i < 10 && grid->currentIndex().column() != z001; ++i) QTest::keyClick(grid, Qt::Key_Right);
    ASSERT_EQ(grid->currentIndex().column(), z001);
    const int scroll = grid->horizontalScrollBar()->value();
    ASSERT_GT(scroll, 0);
    // Shift+click the third row, Ctrl+click the sixth.
    clickCell(2, z001, Qt::ShiftModifier);
    clickCell(5, z001, Qt::ControlModifier);
    const QList<qint64> selected{110101000001, 110101000002, 110101000003, 110101000006};
    ASSERT_EQ(f.selectedCodes(), selected);

    auto expectKept = [&](const char* after) {
        QList<qint64> codes = f.selectedCodes();
        std::sort(codes.begin(), codes.end());
        EXPECT_EQ(codes, selected) << after;
        EXPECT_EQ(grid->selectionModel()->selectedRows().size(), 4) << after;
        EXPECT_EQ(grid->currentIndex().column(), z001) << after;
        EXPECT_EQ(grid->horizontalScrollBar()->value(), scroll) << after;
        EXPECT_EQ(f.recordList().integer(QStringLiteral("c901")), 110101000006) << after;
        EXPECT_EQ(grid->currentIndex().row(), f.recordList().position()) << after;
    };
    clickTitleWithMouse(z001);
    EXPECT_EQ(f.recordList().sortOrder(), QStringLiteral("z001 DESC"));
    EXPECT_NE(codesInGridOrder().first(), QStringLiteral("110101000001"));
    expectKept("sort");

    // A record added elsewhere moves the rows; the list runs again as after a closed dialog.
    {
        db::Connection c;
        c.open(dataFile);
        c.execute(QStringLiteral("INSERT INTO dt_data(c901, c902, z001) VALUES (110101000099, '新', 9)"));
    }
    f.requeryRecordList();
    EXPECT_EQ(codesInGridOrder().first(), QStringLiteral("110101000099"));
    expectKept("re-run");
}

TEST_F(MainFormTest, AClickOnTheNameTitleSortsByPinyin) {
    {
        db::Connection c;
        c.open(dataFile);
        qint64 code = 110101000001;
        for (const QString& name : QStringLiteral("何 刘 吴 陈 马 高 黄").split(QLatin1Char(' ')))
            c.execute(QStringLiteral("INSERT INTO dt_data(c901, c902) VALUES (?, ?)"), {code++, name});
    }
    TMainForm& f = open();
    f.show();
    QApplication::processEvents();
    const int name = column(QStringLiteral("c902"));
    auto names = [&] {
        QStringList out;
        RecordListModel* model = f.recordGrid()->listModel();
        for (int r = 0; r < model->rowCount(); ++r) out << model->data(model->index(r, name), Qt::DisplayRole).toString();
        return out.join(QLatin1Char(' '));
    };
    clickTitleWithMouse(name);
    EXPECT_EQ(names(), QStringLiteral("吴 马 刘 黄 何 高 陈"));
    clickTitleWithMouse(name);
    EXPECT_EQ(names(), QStringLiteral("陈 高 何 黄 刘 马 吴"));
}

TEST_F(MainFormTest, GroupBarCaptionsBreakWhereTheBarsWidthEnds) {
    addRecords(1);
    TMainForm& f = open();
    f.resize(1200, 1000);  // tall enough for every command of the first group
    f.show();
    QApplication::processEvents();
    QToolButton* modify = groupBarButton(QStringLiteral("修改选中的记录"));
    ASSERT_NE(modify, nullptr);
    const int room = modify->width() - 2 * 4;  // the style sheet's padding
    const QFontMetrics metrics = modify->fontMetrics();
    ASSERT_LE(metrics.horizontalAdvance(QStringLiteral("修改选中的记录")), room);
    EXPECT_EQ(modify->text(), QStringLiteral("修改选中的记录"));

    // A caption too long for the 108 pixels of the bar breaks where the width ends.
    GroupBar bar;
    bar.setFixedSize(108, 400);
    QAction longCommand(QStringLiteral("按编号范围查找数据并导出列表"), &bar);
    bar.addGroup(QStringLiteral("数据操作"), {&longCommand});
    bar.show();
    QApplication::processEvents();
    const QStringList lines = bar.findChild<QToolButton*>()->text().split(QLatin1Char('\n'));
    EXPECT_GT(lines.size(), 1);
    EXPECT_EQ(lines.join(QString()), longCommand.text());
    for (int i = 0; i < lines.size(); ++i) {
        EXPECT_LE(metrics.horizontalAdvance(lines[i]), room) << lines[i].toStdString();
        if (i + 1 < lines.size()) {
            EXPECT_GT(metrics.horizontalAdvance(lines[i] + lines[i + 1].front()), room);
        }
    }
}

TEST_F(MainFormTest, AListThatCannotRunAgainAfterTheHiddenCommandSaysWhyAndKeepsItsRows) {
    addRecords(3);
    TMainForm& f = open();
    {
        db::Connection c;
        c.open(dataFile);
        c.execute(QStringLiteral("DROP VIEW view_data_all"));
    }
    QTimer::singleShot(0, [] {
        auto* about = qobject_cast<TdlgAboutForm*>(QApplication::activeModalWidget());
        ASSERT_NE(about, nullptr);
        QTest::mouseDClick(about->nameLabel(), Qt::LeftButton, Qt::ControlModifier | Qt::AltModifier);
        about->close();
    });
    f.actAboutExecute();
    ASSERT_EQ(test::prompts().messages.size(), 1);
    EXPECT_TRUE(test::prompts().messages[0].startsWith(QStringLiteral("运行中发生错误："))) << test::prompts().messages[0].toStdString();
    EXPECT_EQ(f.recordGrid()->listModel()->rowCount(), 3);
    EXPECT_TRUE(f.action(QStringLiteral("actModify"))->isEnabled());
    EXPECT_EQ(workingDatabase().connection.scalar(QStringLiteral("SELECT count(*) FROM dt_data WHERE RecordState<>1")).toInt(), 0);
}

TEST_F(MainFormTest, AMomentsLockOnTheFileKeepsTheRowsAndTheNextCommandRunsTheListAgain) {
    addRecords(5);
    TMainForm& f = open();
    f.show();
    QApplication::setActiveWindow(&f);
    clickCell(2, column(QStringLiteral("c901")));
    db::Connection otherProgram;
    // Enter on the grid opens the record; another program locks the file while it is shown.
    auto openAndReturn = [&](bool lock) {
        QTimer::singleShot(0, [&, lock] {
            if (lock) {
                otherProgram.open(dataFile);
                otherProgram.executeScript(QStringLiteral("BEGIN EXCLUSIVE"));
            }
            QTest::mouseClick(f.entryDialog()->button(QStringLiteral("tbReturn")), Qt::LeftButton);
        });
        QTest::keyClick(f.recordGrid(), Qt::Key_Return);
    };
    openAndReturn(true);
    ASSERT_EQ(test::prompts().messages.size(), 1);
    EXPECT_TRUE(test::prompts().messages[0].startsWith(QStringLiteral("运行中发生错误：数据库文件正被其他程序使用")))
        << test::prompts().messages[0].toStdString();
    EXPECT_EQ(f.recordGrid()->listModel()->rowCount(), 5);
    EXPECT_EQ(f.recordList().position(), 2);
    EXPECT_TRUE(f.action(QStringLiteral("actModify"))->isEnabled());

    otherProgram.rollback();
    otherProgram.close();
    deleteRecords(QStringLiteral("c901=110101000005"));
    openAndReturn(false);
    EXPECT_EQ(test::prompts().messages.size(), 1) << test::prompts().messages.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(f.recordGrid()->listModel()->rowCount(), 4);
    EXPECT_EQ(codesInGridOrder().at(f.recordList().position()), QStringLiteral("110101000003"));
}
