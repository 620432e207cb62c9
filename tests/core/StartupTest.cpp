#include "core/Platform.h"
#include "core/Startup.h"
#include "core/Version.h"
#include "db/EncryptedImage.h"
#include "core/ExchangePassword.h"
#include "support/TestSupport.h"

#include <QFile>

namespace {

const QString kNoDataFile = QStringLiteral("没有找到系统数据文件，请重新安装。");
const QString kBadInstall = QStringLiteral("软件安装不正确，请与软件提供者联系！");

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override { setProgramFolder(folder.path(QString())); }
    void TearDown() override {
        workingDatabase().connection.close();
        setProgramFolder({});
    }
    QString systemDataFile() { return folder.copyOfSystemDataFile(QStringLiteral("2019NB_qv_201908291730.mdb")); }
    test::TempFolder folder;
};

} // namespace

TEST_F(StartupTest, OpensTheSystemDataFileAndReadsItsLabel) {
    const QString path = systemDataFile();
    ASSERT_TRUE(OpenSurveyDatabase());
    EXPECT_TRUE(test::prompts().messages.isEmpty());
    EXPECT_EQ(workingDatabase().path, path);
    EXPECT_EQ(workingDatabase().label, QStringLiteral("默认数据库"));
    EXPECT_EQ(mainWindowTitle(workingDatabase().label),
              QStringLiteral("2019年度全国Varnel--基层以上工会调查表（离线工具） - 默认数据库"));
    EXPECT_EQ(mainWindowTitle(QString()), QStringLiteral("2019年度全国Varnel--基层以上工会调查表（离线工具） - "));
}

TEST_F(StartupTest, AMissingFileEndsTheProgramWithItsMessage) {
    EXPECT_FALSE(OpenSurveyDatabase());
    EXPECT_EQ(test::prompts().messages, QStringList{kNoDataFile});
    EXPECT_FALSE(workingDatabase().connection.isOpen());
}

TEST_F(StartupTest, AFileWithTheExchangePasswordLosesItOnTheWay) {
    const QString path = systemDataFile();
    db::sealed::addPassword(path, DeriveExchangePassword());
    ASSERT_TRUE(OpenSurveyDatabase());
    EXPECT_TRUE(test::prompts().messages.isEmpty());
    EXPECT_EQ(workingDatabase().label, QStringLiteral("默认数据库"));
    workingDatabase().connection.close();
    EXPECT_TRUE(test::readAll(path).startsWith("SQLite format 3"));
    ASSERT_TRUE(OpenSurveyDatabase());
}

TEST_F(StartupTest, AFileThatOpensNeitherWayGivesTheInstallationMessage) {
    // Another password.
    const QString path = systemDataFile();
    const QByteArray plain = test::readAll(path);
    db::sealed::addPassword(path, QStringLiteral("not-ours-1"));
    const QByteArray sealedBytes = test::readAll(path);
    EXPECT_FALSE(OpenSurveyDatabase());
    EXPECT_EQ(test::prompts().messages, QStringList{kBadInstall});
    EXPECT_EQ(test::readAll(path), sealedBytes);

    // Not a database at all, opened from elsewhere while the system data file is missing.
    QFile::remove(path);
    const QString other = folder.path(QStringLiteral("other.mdb"));
    test::writeAll(other, QByteArray(4096, '\x07'));
    test::prompts().clear();
    EXPECT_FALSE(OpenSurveyDatabase(other));
    EXPECT_EQ(test::prompts().messages, QStringList{kNoDataFile});
}

TEST_F(StartupTest, AFileHeldExclusivelyByAnotherProgramIsRefused) {
    const QString path = systemDataFile();
    db::Connection other;
    other.open(path, db::Access::Exclusive);
    EXPECT_FALSE(OpenSurveyDatabase());
    EXPECT_EQ(test::prompts().messages, QStringList{kBadInstall});
}

TEST(Version, TextsShowTheBuildNumber) {
    const TProductVersion version = ReadVersionInfo();
    EXPECT_GE(version.buildNumber, 0);
    EXPECT_TRUE(version.productVersion.startsWith(QStringLiteral("1.0.")));
    EXPECT_EQ(statusVersionText({QStringLiteral("1.3.3.869"), 869}),
              QStringLiteral("开发单位：Quillon\u3000软件版本：1.0 (Build 869)"));
    EXPECT_EQ(aboutVersionText({QString(), -1}), QStringLiteral("版本：1.0 (Build -1)"));
}
