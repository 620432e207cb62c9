#include "core/Platform.h"
#include "core/Settings.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>

namespace {

const QString kApp = QStringLiteral("\\SOFTWARE\\Quillon\\Varnel_基层以上（离线工具）");
const QString kEnv = kApp + QStringLiteral("\\Options\\EnvSetting");

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quillon"), QStringLiteral("registry")).clear();
        setProgramFolder(QStringLiteral("/opt/survey"));
    }
    void TearDown() override { setProgramFolder({}); }
    QString text(const QString& name, const QString& key) {
        return ReadSettingText(name, QStringLiteral("<missing>"), SettingsRoot::LocalMachine, key);
    }
};

} // namespace

TEST_F(SettingsTest, FirstStartWritesTheDefaults) {
    InitSettings(programApplicationName());
    EXPECT_EQ(applicationKey(), kApp);
    EXPECT_EQ(text(QStringLiteral("ServicePack"), kApp), QStringLiteral("None"));
    EXPECT_EQ(text(QStringLiteral("FilePath"), kApp), QStringLiteral("/opt/survey/"));
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("AppTyp"), 0, SettingsRoot::LocalMachine, kApp), 1);
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("InputWndStyle"), 9, SettingsRoot::LocalMachine, kEnv), 0);
    EXPECT_EQ(text(QStringLiteral("ImePrefer"), kEnv), QStringLiteral("<missing>"));  // stored empty
    EXPECT_EQ(text(QStringLiteral("Version"), kApp), QStringLiteral("<missing>"));
}

TEST_F(SettingsTest, WithoutAnInstalledVersionThePreferenceLastsOneRun) {
    for (const QString& version : {QString(), QStringLiteral("000")}) {
        if (!version.isEmpty()) WriteSettingText(QStringLiteral("Version"), version, SettingsRoot::LocalMachine, kApp);
        WriteSettingText(QStringLiteral("ImePrefer"), QStringLiteral("fcitx5"), SettingsRoot::LocalMachine, kEnv);
        InitSettings(programApplicationName());
        EXPECT_EQ(preferredInputMethod(), QString());
        EXPECT_EQ(text(QStringLiteral("ImePrefer"), kEnv), QStringLiteral("<missing>"));
    }
}

TEST_F(SettingsTest, WithAnInstalledVersionThePreferenceIsRead) {
    WriteSettingText(QStringLiteral("Version"), QStringLiteral("1.0"), SettingsRoot::LocalMachine, kApp);
    WriteSettingText(QStringLiteral("ImePrefer"), QStringLiteral("fcitx5"), SettingsRoot::LocalMachine, kEnv);
    InitSettings(programApplicationName());
    EXPECT_EQ(preferredInputMethod(), QStringLiteral("fcitx5"));
    EXPECT_EQ(text(QStringLiteral("ServicePack"), kApp), QStringLiteral("<missing>"));
}

TEST_F(SettingsTest, ReadsFallBackToTheDefault) {
    const QString key = kApp + QStringLiteral("\\Data");
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("AppLastCity"), 7, SettingsRoot::LocalMachine, key), 7);
    WriteSettingText(QStringLiteral("AppLastCity"), QStringLiteral("abc"), SettingsRoot::LocalMachine, key);
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("AppLastCity"), 7, SettingsRoot::LocalMachine, key), 7);
    WriteSettingInteger(QStringLiteral("AppLastCity"), 110101, SettingsRoot::LocalMachine, key);
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("AppLastCity"), 7, SettingsRoot::LocalMachine, key), 110101);
    WriteSettingBool(QStringLiteral("CheckBox1"), true, SettingsRoot::LocalMachine, key);
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("CheckBox1"), 0, SettingsRoot::LocalMachine, key), 1);
    WriteSettingText(QStringLiteral("c905"), QString(), SettingsRoot::LocalMachine, key);
    EXPECT_EQ(ReadSettingText(QStringLiteral("c905"), QStringLiteral("d"), SettingsRoot::LocalMachine, key), QStringLiteral("d"));
    // The two roots are separate stores.
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("AppLastCity"), 7, SettingsRoot::CurrentUser, key), 7);
}

TEST(Platform, FoldersComeFromTheEnvironment) {
    const QByteArray saved = qgetenv("TEMP");
    qputenv("TEMP", "/var/tmp/x/");
    EXPECT_EQ(tempFolder(), QStringLiteral("/var/tmp/x"));
    qputenv("TEMP", saved);
    EXPECT_TRUE(QDir(documentsFolder()).exists());
    EXPECT_EQ(userFolderSetting(QStringLiteral("Personal")), documentsFolder());
}

TEST(Platform, OpeningAFileGoesThroughTheReplaceableOpener) {
    QStringList opened;
    setFileOpener([&](const QString& path) { opened << path; });
    openWithDefaultApplication(QStringLiteral("/tmp/report.txt"));
    setFileOpener({});
    EXPECT_EQ(opened, QStringList{QStringLiteral("/tmp/report.txt")});
}

TEST(Platform, WhenNoProgramTakesAFileTheMessageSaysWhereItIs) {
    test::TempFolder folder;
    const QByteArray path = qgetenv("PATH");
    const QString opener = folder.path(QStringLiteral("xdg-open"));
    const auto openWith = [&](const QByteArray& script) {
        test::writeAll(opener, "#!/bin/sh\n" + script + "\n");
        QFile::setPermissions(opener, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(folder.path(QString())) + ":/usr/bin:/bin");
        test::prompts().clear();
        openWithDefaultApplication(QStringLiteral("/tmp/汇总表.xlsx"));
        // The opener runs on while the program goes on; its end is seen by the event loop.
        QElapsedTimer waited;
        waited.start();
        while (test::prompts().messages.isEmpty() && waited.elapsed() < 1500)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        qputenv("PATH", path);
        return test::prompts().messages;
    };
    EXPECT_EQ(openWith("exit 3"), QStringList{QStringLiteral("没有找到能打开该文件的程序，文件保存在：/tmp/汇总表.xlsx")});
    EXPECT_TRUE(openWith("exit 0").isEmpty());
}
