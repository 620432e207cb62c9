#include "exchange/ReportFile.h"

#include "ExchangeTestSupport.h"

#include <QDate>
#include <QDir>

namespace {

using ReportFileTest = test::ExchangeDatabase;

} // namespace

TEST_F(ReportFileTest, RefusesUnverifiedRecords) {
    test::addRecord(110101000001, {{"RecordState", 0}});
    EXPECT_TRUE(ExportReportFile(db()).file.isEmpty());
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("存在临时保存或逻辑错误的数据，不能导出上报数据!")});
    EXPECT_TRUE(test::prompts().fileRequests.empty());
}

TEST_F(ReportFileTest, TheDecryptedFileIsThePlainReportTextAndNoPlainCopyStays) {
    test::addRecord(110101000002, {{"RecordState", 1}, {"c902", QStringLiteral("乙,工会")}});
    test::addRecord(110101000001, {{"RecordState", 1}, {"z001", 7}});
    test::prompts().fileAnswers = {folder.path(QStringLiteral("report"))};
    const QString path = folder.path(QStringLiteral("report.dat"));
    EXPECT_EQ(ExportReportFile(db()).file, path);
    EXPECT_EQ(test::prompts().fileRequests[0].fileName,
              QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("(网络版)"));
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("导出上报数据成功")});
    EXPECT_FALSE(QFile::exists(folder.path(QStringLiteral("reporttemp.dat"))));

    const QByteArray plain = PlainReportText(db());
    EXPECT_EQ(test::decryptReportFile(path), plain);
    EXPECT_EQ(test::readAll(path).size(), 8 + (plain.size() + 15) / 16 * 16);
}

TEST_F(ReportFileTest, AFailedWriteKeepsTheEarlierFileAndRemovesThePlainText) {
    const QString path = folder.path(QStringLiteral("report.dat"));
    test::writeAll(path, "earlier report");
    // A field of the list that dt_data lacks ends the export.
    db().execute(QStringLiteral("UPDATE DT_FieldList SET FieldName='nosuch' WHERE FieldName='z001'"));
    test::prompts().fileAnswers = {path};
    EXPECT_TRUE(ExportReportFile(db()).file.isEmpty());
    ASSERT_EQ(test::prompts().messages.size(), 1);
    EXPECT_TRUE(test::prompts().messages[0].startsWith(QStringLiteral("运行中发生错误："))) << test::prompts().messages[0].toStdString();
    EXPECT_EQ(test::readAll(path), QByteArray("earlier report"));
    EXPECT_FALSE(QFile::exists(folder.path(QStringLiteral("reporttemp.dat"))));
}
