#include "core/Platform.h"
#include "core/Startup.h"
#include "core/TextEncoding.h"
#include "core/Version.h"
#include "db/EncryptedImage.h"
#include "core/ExchangePassword.h"
#include "support/DamagedFile.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QCoreApplication>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>
#include <functional>

namespace {

const QString kNoDataFile = QStringLiteral("没有找到系统数据文件，请重新安装。");
const QString kBadInstall = QStringLiteral("软件安装不正确，请与软件提供者联系！");
const QString kInUse = QStringLiteral("数据库文件正被本程序的另一个窗口或其他程序使用，本程序不能同时运行。");

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

TEST_F(StartupTest, AFileHeldExclusivelyByAnotherProgramIsRefusedAsInUseButCanBeRead) {
    const QString path = systemDataFile();
    db::Connection other;
    other.open(path, db::Access::Exclusive);
    EXPECT_EQ(OpenSurveyDatabase().problem, OpenProblem::InUse);
    EXPECT_EQ(test::prompts().errors, QStringList{QStringLiteral("数据库文件正被其他程序使用，请先关闭其他程序后再打开。")});
    test::prompts().clear();
    EXPECT_TRUE(OpenSurveyDatabase({}, true));
    EXPECT_TRUE(test::prompts().messages.isEmpty());
}

// Each file is a copy of the system data file with 300 records, damaged in one
// way; each must end the start with the system's message, never abort, and
// leave the file as it was.
TEST_F(StartupTest, ADamagedOrHostileFileEndsTheStartWithTheMessageAndStaysUnchanged) {
    const auto withRecords = [](const QString& path) {
        db::Connection c;
        c.open(path);
        db::Transaction transaction(c);
        for (int i = 1; i <= 300; ++i)
            c.execute(QStringLiteral("INSERT INTO dt_data(c901, c902, c907) VALUES (?, ?, 1)"), {qint64(110101000000) + i, QString(20, u'单')});
        transaction.commit();
    };
    const auto sql = [](const char* text) {
        return [text](const QString& path) { test::executeRaw(path, QString::fromUtf8(text)); };
    };
    // dt_data with c901 an ordinary column: codes that are text, or the same twice.
    const QString plainCode = QStringLiteral(
        "UPDATE sqlite_schema SET sql=replace(sql, '\"c901\" INTEGER PRIMARY KEY', '\"c901\" INTEGER') WHERE name='dt_data';");
    const std::vector<std::pair<const char*, std::function<void(const QString&)>>> damages = {
        {"a damaged dt_data page",
         [](const QString& path) { test::overwritePage(path, test::leafPages(path, QStringLiteral("dt_data"))[3], 8, QByteArray(600, '\xA5')); }},
        {"no view_data_all", sql("DROP VIEW view_data_all")},
        {"no DT_FieldList", sql("DROP TABLE DT_FieldList")},
        {"a view named dt_data", sql("ALTER TABLE dt_data RENAME TO old_data; CREATE VIEW dt_data AS SELECT * FROM old_data")},
        {"a view named ct_label", sql("DROP TABLE ct_label; CREATE VIEW ct_label AS SELECT 'x' AS db_name")},
        {"text codes", [&](const QString& path) {
             test::executeRaw(path, plainCode);
             test::executeRaw(path, QStringLiteral("UPDATE dt_data SET c901='x'||rowid"));
         }},
        {"a code twice", [&](const QString& path) {
             test::executeRaw(path, plainCode);
             test::executeRaw(path, QStringLiteral("UPDATE dt_data SET c901=rowid % 7"));
         }},
        {"a view calling a forbidden function",
         sql("DROP VIEW view_data_all; CREATE VIEW view_data_all AS SELECT *, load_extension('x') AS e FROM dt_data")},
        {"a view making a 2 MB value",
         sql("DROP VIEW view_data_all; CREATE VIEW view_data_all AS SELECT *, hex(zeroblob(1000000)) AS e FROM dt_data")},
        {"another database sealed with the exchange password",
         [](const QString& path) {
             QFile::remove(path);
             db::Connection::createEmpty(path);
             db::sealed::addPassword(path, DeriveExchangePassword());
         }},
    };
    for (const auto& [what, damage] : damages) {
        SCOPED_TRACE(what);
        const QString path = systemDataFile();
        withRecords(path);
        damage(path);
        const QByteArray before = test::readAll(path);
        test::prompts().clear();
        EXPECT_FALSE(OpenSurveyDatabase());
        EXPECT_EQ(test::prompts().messages, QStringList{kBadInstall});
        EXPECT_FALSE(workingDatabase().connection.isOpen());
        EXPECT_EQ(test::readAll(path), before);
    }
}

TEST_F(StartupTest, AWriteProtectedFileIsAFailedOpen) {
    const QString path = systemDataFile();
    QFile::setPermissions(folder.path(QString()), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther);
    const QByteArray before = test::readAll(path);
    test::asOrdinaryUser([] { EXPECT_EQ(OpenSurveyDatabase().problem, OpenProblem::ReadOnly); });
    EXPECT_EQ(test::prompts().errors, QStringList{QStringLiteral("数据库文件“%1”是只读的（没有写入权限），不能使用。").arg(path)});
    EXPECT_FALSE(QFile::exists(path + QStringLiteral(".lock")));
    EXPECT_EQ(test::readAll(path), before);

    // A writable file in a folder the user cannot write: no lock file can be made beside it. Reading it works.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther);
    QFile::setPermissions(folder.path(QString()), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    test::prompts().clear();
    test::asOrdinaryUser([] {
        EXPECT_EQ(OpenSurveyDatabase().problem, OpenProblem::ReadOnly);
        EXPECT_TRUE(OpenSurveyDatabase({}, true));
    });
    ASSERT_EQ(test::prompts().errors.size(), 1);
    EXPECT_TRUE(test::prompts().errors[0].startsWith(QStringLiteral("不能在数据库文件所在的文件夹“%1”中写入（没有写入权限）").arg(QFileInfo(path).absolutePath())))
        << test::prompts().errors[0].toStdString();
    EXPECT_EQ(test::readAll(path), before);
}

// Without TEMP, results files and reports go to a folder of the user's own.
TEST(TempFolder, IsTheUsersOwnFolderWithoutTemp) {
    test::TempFolder runtime;
    const QByteArray savedTemp = qgetenv("TEMP"), savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("TEMP");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path(QString())));
    const QString own = runtime.path(QStringLiteral("varnel-survey"));
    EXPECT_EQ(tempFolder(), own);
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(QFile::permissions(own) & others, QFile::Permissions());
    {
        TextFileWriter results(own + QStringLiteral("/results.txt"), TextFileWriter::Mode::Truncate);
        results.close();
    }
    EXPECT_EQ(QFile::permissions(own + QStringLiteral("/results.txt")) & others, QFile::Permissions());
    // Opened to others, it is refused rather than used.
    QFile::setPermissions(own, QFile::permissions(own) | QFile::ReadOther | QFile::ExeOther);
    EXPECT_THROW(tempFolder(), std::runtime_error);
    qputenv("TEMP", savedTemp);
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
}

// The lock a running program holds on its working file, as a second copy of it meets it.
TEST_F(StartupTest, ASecondProgramOnTheSameFileIsTurnedAway) {
    const QString path = systemDataFile();
    QLockFile firstProgram(path + QStringLiteral(".lock"));
    ASSERT_TRUE(firstProgram.tryLock());
    EXPECT_FALSE(OpenSurveyDatabase());
    EXPECT_EQ(test::prompts().messages, QStringList{kInUse});
    EXPECT_FALSE(workingDatabase().connection.isOpen());

    firstProgram.unlock();
    test::prompts().clear();
    ASSERT_TRUE(OpenSurveyDatabase());
    // Now this program holds it, and the lock outlives closing and reopening the connection.
    QLockFile secondProgram(path + QStringLiteral(".lock"));
    EXPECT_FALSE(secondProgram.tryLock());
    workingDatabase().connection.close();
    reopenWorkingDatabase();
    EXPECT_FALSE(secondProgram.tryLock());
    EXPECT_TRUE(test::prompts().messages.isEmpty());
}

TEST_F(StartupTest, ALockLeftByAProgramThatWasKilledKeepsNobodyOut) {
    const QString path = systemDataFile();
    QProcess ended;
    ended.start(QStringLiteral("sleep"), {QStringLiteral("0.1")});
    ASSERT_TRUE(ended.waitForStarted());
    const qint64 pid = ended.processId();
    ASSERT_TRUE(ended.waitForFinished());
    test::writeAll(path + QStringLiteral(".lock"), QStringLiteral("%1\n%2\n%3\n")
                                                      .arg(pid)
                                                      .arg(QCoreApplication::applicationName(), QSysInfo::machineHostName())
                                                      .toUtf8());
    EXPECT_TRUE(OpenSurveyDatabase());
    EXPECT_TRUE(test::prompts().messages.isEmpty());
}

TEST(Version, TextsShowTheBuildNumber) {
    const TProductVersion version = ReadVersionInfo();
    EXPECT_GE(version.buildNumber, 0);
    EXPECT_TRUE(version.productVersion.startsWith(QStringLiteral("1.0.")));
    EXPECT_EQ(statusVersionText({QStringLiteral("1.3.3.869"), 869}),
              QStringLiteral("开发单位：Quillon\u3000软件版本：1.0 (Build 869)"));
    EXPECT_EQ(aboutVersionText({QString(), -1}), QStringLiteral("版本：1.0 (Build -1)"));
}

// The per-user program folder of an installed program, over two versions of the delivered files.
TEST(ProgramFolder, AnUpgradeReplacesWhatTheUserLeftAloneAndKeepsTheRest) {
    test::TempFolder folder;
    const QString delivered = folder.path(QStringLiteral("opt/")), mine = folder.path(QStringLiteral("home/"));
    ASSERT_TRUE(QDir().mkpath(delivered + QStringLiteral("notes")));
    const auto deliver = [&](const QString& name, const QByteArray& bytes) { test::writeAll(delivered + name, bytes); };
    deliver(systemDataFileName(), "database 1");
    deliver(QStringLiteral("view.dll"), "template 1");
    deliver(QStringLiteral("sumtable.qv"), "tables 1");
    deliver(QStringLiteral("notes/TableNotesQV-01.rtf"), "notes 1");
    deliver(QStringLiteral("varnel-survey"), "program");
    QFile::setPermissions(delivered + QStringLiteral("varnel-survey"), QFile::ReadOwner | QFile::ExeOwner);

    ASSERT_TRUE(updateProgramFolder(delivered, mine));
    EXPECT_EQ(test::readAll(mine + QStringLiteral("notes/TableNotesQV-01.rtf")), "notes 1");
    EXPECT_FALSE(QFileInfo::exists(mine + QStringLiteral("varnel-survey")));
    // The user works: the database and the summary's ticks change, a notes file is deleted.
    test::writeAll(mine + systemDataFileName(), "my records");
    test::writeAll(mine + QStringLiteral("sumtable.qv"), "my ticks");
    QFile::remove(mine + QStringLiteral("notes/TableNotesQV-01.rtf"));

    // The next version brings other files throughout and a new one.
    deliver(systemDataFileName(), "database 2");
    deliver(QStringLiteral("view.dll"), "template 2");
    deliver(QStringLiteral("sumtable.qv"), "tables 2");
    deliver(QStringLiteral("notes/TableNotesQV-01.rtf"), "notes 2");
    deliver(QStringLiteral("exporttable.qv"), "export list 2");
    ASSERT_TRUE(updateProgramFolder(delivered, mine));
    EXPECT_EQ(test::readAll(mine + QStringLiteral("view.dll")), "template 2");
    EXPECT_EQ(test::readAll(mine + QStringLiteral("notes/TableNotesQV-01.rtf")), "notes 2");
    EXPECT_EQ(test::readAll(mine + QStringLiteral("exporttable.qv")), "export list 2");
    EXPECT_EQ(test::readAll(mine + systemDataFileName()), "my records");
    EXPECT_EQ(test::readAll(mine + QStringLiteral("sumtable.qv")), "my ticks");

    // A third version replaces what the second delivered, but still not the user's ticks.
    deliver(QStringLiteral("view.dll"), "template 3");
    deliver(QStringLiteral("sumtable.qv"), "tables 3");
    ASSERT_TRUE(updateProgramFolder(delivered, mine));
    EXPECT_EQ(test::readAll(mine + QStringLiteral("view.dll")), "template 3");
    EXPECT_EQ(test::readAll(mine + QStringLiteral("sumtable.qv")), "my ticks");
}

TEST(ProgramFolder, AFolderThatCannotBeMadeIsAFailure) {
    test::TempFolder folder;
    const QString delivered = folder.path(QStringLiteral("opt/"));
    ASSERT_TRUE(QDir().mkpath(delivered));
    test::writeAll(delivered + QStringLiteral("view.dll"), "template");
    test::writeAll(folder.path(QStringLiteral("file")), "in the way");
    EXPECT_FALSE(updateProgramFolder(delivered, folder.path(QStringLiteral("file/varnel-survey/"))));
}
