#include "app/AutoBackupForm.h"
#include "app/MainForm.h"
#include "core/Platform.h"
#include "core/Startup.h"
#include "exchange/ExchangeTestSupport.h"
#include "exchange/ImportExchangeFile.h"
#include "exchange/UpdateImport.h"
#include "support/MainWindowTest.h"
#include "widgets/RecordGrid.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QToolButton>

namespace {

// The main window over a private program folder holding the exchange template.
class ImportWindowTest : public test::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        QFile::copy(test::builtProgramFolder() + QStringLiteral("view.dll"), folder.path(QStringLiteral("view.dll")));
        setFileOpener([this](const QString& path) { opened << path; });
    }
    void TearDown() override {
        setFileOpener({});
        MainWindowTest::TearDown();
    }
    TMainForm& open(std::initializer_list<qint64> codes) {
        {
            db::Connection c;
            c.open(dataFile);
            for (qint64 code : codes)
                c.execute(QStringLiteral("INSERT INTO dt_data(c901,c902,c907,RecordState) VALUES(?,?,1,1)"),
                          {code, QStringLiteral("单位%1").arg(code % 1000)});
        }
        form = std::make_unique<TMainForm>(TMainForm::Options{false});
        form->show();
        QApplication::setActiveWindow(form.get());
        return *form;
    }
    // Clicks a button of the group bar, opening its group first.
    void clickGroupBar(const QString& group, const QString& caption) {
        for (QPushButton* title : form->findChildren<QPushButton*>())
            if (title->text() == group) QTest::mouseClick(title, Qt::LeftButton);
        for (QToolButton* button : form->findChildren<QToolButton*>())
            if (button->text().remove(u'\n') == caption) {
                ASSERT_TRUE(button->isVisible());
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        FAIL() << "no button " << caption.toStdString();
    }
    QString exchangeFile(const QString& name, const QList<qint64>& codes, const QString& label) {
        test::writeExchangeFile(folder.path(name), codes, label);
        return folder.path(name);
    }

    QStringList opened;
};

} // namespace

TEST_F(ImportWindowTest, SeveralChosenFilesAreImportedTogetherAndTheListStaysOnItsRow) {
    const QString first = exchangeFile(QStringLiteral("a.dat"), {110105000001, 110105000002}, QStringLiteral("朝阳区总工会"));
    const QString second = exchangeFile(QStringLiteral("b.dat"), {110101000002}, QStringLiteral("东城区总工会"));
    TMainForm& f = open({110101000001, 110101000002, 110101000003, 110101000004});
    f.recordGrid()->setFocus();
    QTest::keyClick(f.recordGrid(), Qt::Key_Down);
    QTest::keyClick(f.recordGrid(), Qt::Key_Down);
    const qint64 current = f.recordList().integer(QStringLiteral("c901"));
    ASSERT_EQ(current, 110101000003);

    test::prompts().fileSelections = {{first, second}};
    test::prompts().answers = {true};
    clickGroupBar(QStringLiteral("备份与上报"), QStringLiteral("数据导入"));

    ASSERT_EQ(test::prompts().fileRequests.size(), 1u);
    EXPECT_TRUE(test::prompts().fileRequests[0].multiple);
    ASSERT_EQ(test::prompts().messages.size(), 2) << test::prompts().messages.join(u'\n').toStdString();
    EXPECT_EQ(test::prompts().messages[0],
              QStringLiteral("确认准备导入以下2个文件的数据么？\n\na.dat：标记声明为【朝阳区总工会】，2条记录\n"
                             "b.dat：标记声明为【东城区总工会】，1条记录"));
    EXPECT_EQ(test::prompts().messages[1], QStringLiteral("共2个文件：导入了1个，因编号冲突没有导入1个，不能读取0个。\n\n"
                                                          "发生编号冲突的记录请参见文件：\n            数据导入编号冲突.txt"));
    EXPECT_EQ(opened, QStringList{ConflictReportPath()});
    EXPECT_EQ(f.recordList().rowCount(), 6);
    EXPECT_EQ(f.recordList().integer(QStringLiteral("c901")), current);

    // One file chosen goes as before: its own confirmation and message.
    const QString third = exchangeFile(QStringLiteral("c.dat"), {110108000001}, QStringLiteral("海淀区总工会"));
    test::prompts().clear();
    test::prompts().fileSelections = {{third}};
    test::prompts().answers = {true};
    clickGroupBar(QStringLiteral("备份与上报"), QStringLiteral("数据导入"));
    EXPECT_EQ(test::prompts().messages,
              (QStringList{QStringLiteral("确认准备导入标记声明为【海淀区总工会】的数据么？"),
                           QStringLiteral("数据已经被正确地从'") + third + QStringLiteral("'导入！")}));
    EXPECT_EQ(f.recordList().rowCount(), 7);
}

TEST_F(ImportWindowTest, AnUpdateImportRereadsTheListAndItsBackupRestoresIt) {
    TMainForm& f = open({110105000001, 110105000002});
    // Sent again with one new record: no row of the list is replaced, the list is re-read on the announcement.
    const QString file = exchangeFile(QStringLiteral("复审.dat"), {110105000001, 110105000002, 110105000003}, QStringLiteral("朝阳区总工会"));
    test::prompts().fileSelections = {{file}};
    test::prompts().answers = {true, true};
    clickGroupBar(QStringLiteral("备份与上报"), QStringLiteral("更新导入"));
    ASSERT_EQ(test::prompts().messages.size(), 3) << test::prompts().messages.join(u'\n').toStdString();
    EXPECT_EQ(test::prompts().messages[2], QStringLiteral("更新导入完成：导入了新记录1条，更新了记录0条。"));
    EXPECT_EQ(opened, QStringList{ComparisonReportPath()});
    EXPECT_EQ(f.recordList().rowCount(), 3);

    // The backup made before the update is listed and restored by clicks; the list shows its records.
    test::prompts().clear();
    test::prompts().answers = {true};
    int listed = -1;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TdlgAutoBackupForm*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        listed = dialog->backups()->topLevelItemCount();
        QTreeWidget* backups = dialog->backups();
        QTest::mouseClick(backups->viewport(), Qt::LeftButton, {}, backups->visualItemRect(backups->topLevelItem(0)).center());
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("恢  复")) QTest::mouseClick(button, Qt::LeftButton);
    });
    clickGroupBar(QStringLiteral("备份与上报"), QStringLiteral("从自动备份恢复"));
    EXPECT_EQ(listed, 1);
    ASSERT_EQ(test::prompts().messages.size(), 2) << test::prompts().messages.join(u'\n').toStdString();
    ASSERT_TRUE(f.recordList().isOpen());
    EXPECT_EQ(f.recordList().rowCount(), 2);
}
