#include "exchange/ExportForReporting.h"
#include "exchange/ReportFile.h"

#include "ExchangeTestSupport.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace {

using ExportForReportingTest = test::ExchangeDatabase;

const QString kRefusal = QStringLiteral("存在临时保存或逻辑错误的数据，不能上报!");

} // namespace

TEST_F(ExportForReportingTest, RefusesUnverifiedRecordsBeforeAnyPrompt) {
    test::addRecord(110101000001, {{"RecordState", 1}});
    test::addRecord(110101000002, {{"RecordState", 2}});
    EXPECT_TRUE(ExportForReporting(workingDatabase()).file.isEmpty());
    EXPECT_EQ(test::prompts().messages, QStringList{kRefusal});
    EXPECT_TRUE(test::prompts().inputPrompts.isEmpty());
    EXPECT_TRUE(test::prompts().fileRequests.empty());
}

TEST_F(ExportForReportingTest, WritesTheVerifiedRecordsAndTheLabelIntoATransformedFile) {
    test::addRecord(110101000001, {{"RecordState", 1}, {"z001", 12}});
    test::addRecord(110101000002, {{"RecordState", 1}});
    const QString label = QStringLiteral("东城区'总工会\"𠮷");
    test::prompts().inputAnswers = {QStringLiteral("默认数据库"), label};
    test::prompts().fileAnswers = {folder.path(QStringLiteral("上报"))};
    const QString path = folder.path(QStringLiteral("上报.dat"));

    EXPECT_EQ(ExportForReporting(workingDatabase()).file, path);
    EXPECT_EQ(test::prompts().inputPrompts,
              QStringList(2, QStringLiteral("设置数据库标识|请输入提供数据的单位的名称，长度不要超过200个汉字")));
    ASSERT_EQ(test::prompts().fileRequests.size(), 1u);
    // The double quote, which a FAT stick cannot hold in a name, becomes "_".
    EXPECT_EQ(test::prompts().fileRequests[0].fileName,
              QStringLiteral("东城区'总工会_𠮷-") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("(离线版)"));
    EXPECT_EQ(test::prompts().messages, (QStringList{QStringLiteral("必须修改默认的名称！"),
                                                     QStringLiteral("数据已经被正确导出到：'") + path + QStringLiteral("'！")}));

    EXPECT_EQ(quint8(test::readAll(path).at(0)), 0x05);
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList({QFileInfo(path).fileName() + QStringLiteral("*")}),
              QStringList{QFileInfo(path).fileName()});
    db::Connection exchange;
    test::openExchangeFile(exchange, path, folder.path(QStringLiteral("restored.dat")));
    EXPECT_EQ(exchange.scalar(QStringLiteral("select count(*) from dt_data")).toInt(), 2);
    EXPECT_EQ(exchange.scalar(QStringLiteral("select z001 from dt_data where c901=110101000001")).toInt(), 12);
    EXPECT_EQ(exchange.scalar(QStringLiteral("select db_name from ct_label")).toString(), label);
    // The working database keeps its own label.
    EXPECT_EQ(readDatabaseLabel(db()), QStringLiteral("默认数据库"));
}

TEST_F(ExportForReportingTest, CancelOrAFailureLeavesNoFileAndAnExistingOneAsItWas) {
    test::addRecord(110101000001, {{"RecordState", 1}});
    // Cancel at the prompt: no dialog.
    EXPECT_TRUE(ExportForReporting(workingDatabase()).file.isEmpty());
    EXPECT_TRUE(test::prompts().fileRequests.empty());

    // The open working database file is never overwritten by the template.
    const QByteArray before = test::readAll(workingDatabase().path);
    EXPECT_THROW(WriteExchangeFile(workingDatabase(), QStringLiteral("东城区"), workingDatabase().path), std::exception);
    // Nor under another name of the same file, as a hard link gives it; and the report file neither.
    const QString link = folder.path(QStringLiteral("link.dat"));
    ASSERT_EQ(::link(QFile::encodeName(workingDatabase().path).constData(), QFile::encodeName(link).constData()), 0);
    EXPECT_THROW(WriteExchangeFile(workingDatabase(), QStringLiteral("东城区"), link), std::exception);
    db().execute(QStringLiteral("UPDATE dt_data SET RecordState=1"));
    test::prompts().fileAnswers = {link};
    EXPECT_EQ(ExportReportFile(db()).status, Outcome::Status::Refused);
    EXPECT_EQ(test::prompts().errors, QStringList{QStringLiteral("不能导出到正在使用的数据库文件，请选择其它文件。")});
    test::prompts().clear();
    QFile::remove(link);
    EXPECT_EQ(test::readAll(workingDatabase().path), before);
    EXPECT_EQ(count(QStringLiteral("select count(*) from dt_data")), 1);
    // Nor the system data file or the template, whichever database is open; by any spelling of their paths.
    {
        test::TempFolder other;
        WorkingDatabase office;
        office.connection.open(other.copyOfSystemDataFile());
        office.path = office.connection.path();
        for (const QString& name : {systemDataFileName(), QStringLiteral("view.dll")}) {
            const QString kept = folder.path(name);
            const QByteArray bytes = test::readAll(kept);
            EXPECT_THROW(WriteExchangeFile(office, QStringLiteral("东城区"), folder.path(QStringLiteral("./")) + name), std::exception);
            EXPECT_EQ(test::readAll(kept), bytes) << name.toStdString();
        }
        // Chosen in the dialog, the open file is refused with a message; a label
        // with a "/" proposes a name in the documents folder, not a subfolder.
        const QString open = other.copyOfSystemDataFile(QStringLiteral("本级.dat"));
        office.connection.close();
        office.connection.open(open);
        office.path = open;
        const QByteArray openBytes = test::readAll(open);
        test::prompts().clear();
        test::prompts().inputAnswers = {QStringLiteral("东城区/朝阳区")};
        test::prompts().fileAnswers = {open};
        EXPECT_TRUE(ExportForReporting(office).file.isEmpty());
        EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("不能导出到正在使用的数据库文件，请选择其它文件。")});
        ASSERT_EQ(test::prompts().fileRequests.size(), 1u);
        EXPECT_TRUE(test::prompts().fileRequests[0].fileName.startsWith(QStringLiteral("东城区_朝阳区-")));
        office.connection.close();
        EXPECT_EQ(test::readAll(open), openBytes);
        test::prompts().clear();
    }

    // A failure reaches the clerk as a message.
    test::prompts().inputAnswers = {QStringLiteral("东城区")};
    test::prompts().fileAnswers = {folder.path(QStringLiteral("no/such/folder/up.dat"))};
    EXPECT_TRUE(ExportForReporting(workingDatabase()).file.isEmpty());
    ASSERT_EQ(test::prompts().messages.size(), 1);
    EXPECT_TRUE(test::prompts().messages[0].startsWith(QStringLiteral("运行中发生错误："))) << test::prompts().messages[0].toStdString();

    // Without the template nothing is written and an earlier file stays.
    QFile::remove(folder.path(QStringLiteral("view.dll")));
    const QString earlier = folder.path(QStringLiteral("earlier.dat"));
    test::writeAll(earlier, "earlier export");
    EXPECT_THROW(WriteExchangeFile(workingDatabase(), QStringLiteral("东城区"), earlier), std::exception);
    EXPECT_EQ(test::readAll(earlier), QByteArray("earlier export"));
    EXPECT_EQ(QDir(folder.path(QString())).entryList({QStringLiteral("earlier*")}), QStringList{QStringLiteral("earlier.dat")});
}
