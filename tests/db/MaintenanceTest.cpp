#include "db/Connection.h"
#include "db/Maintenance.h"
#include "support/TestSupport.h"

#include "db/NewFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

using namespace db;

TEST(CopyFileWhole, CopiesEveryByteAndReplacesTheDestination) {
    test::TempFolder folder;
    QByteArray content;
    for (int i = 0; i < 3 * 1024 * 1024 + 17; ++i) content += char(i * 7);
    test::writeAll(folder.path(QStringLiteral("a")), content);
    test::writeAll(folder.path(QStringLiteral("b")), "old and longer than nothing");
    CopyFileWhole(folder.path(QStringLiteral("a")), folder.path(QStringLiteral("b")));
    EXPECT_EQ(test::readAll(folder.path(QStringLiteral("b"))), content);
}

TEST(CopyFileWhole, OntoItselfFailsAndLeavesTheFileIntact) {
    test::TempFolder folder;
    const QString path = folder.copyOfSystemDataFile();
    const QByteArray before = test::readAll(path);
    Connection open;
    open.open(path);
    EXPECT_THROW(CopyFileWhole(path, path), Error);
    EXPECT_THROW(CopyFileWhole(path, folder.path(QStringLiteral("./survey.mdb"))), Error);
    // A hard link is the same file under another name.
    const QString link = folder.path(QStringLiteral("link.mdb"));
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(link).constData()), 0);
    EXPECT_TRUE(SameFile(path, link));
    EXPECT_THROW(CopyFileWhole(path, link), Error);
    open.close();
    EXPECT_EQ(test::readAll(path), before);
}

TEST(CopyFileWhole, FailuresLeaveNoFileBehind) {
    test::TempFolder folder;
    EXPECT_THROW(CopyFileWhole(folder.path(QStringLiteral("missing")), folder.path(QStringLiteral("out"))), Error);
    EXPECT_FALSE(QFile::exists(folder.path(QStringLiteral("out"))));
    test::writeAll(folder.path(QStringLiteral("a")), "x");
    // The cause is told in the clerk's words, not the system library's.
    const QString out = folder.path(QStringLiteral("no/such/folder/out"));
    try {
        CopyFileWhole(folder.path(QStringLiteral("a")), out);
        ADD_FAILURE() << "the copy into a missing folder succeeded";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("无法写入文件“%1”：文件或文件夹不存在").arg(out));
    }
}

TEST(CompactDatabaseFile, KeepsEveryRowAndShrinksTheFile) {
    test::TempFolder folder;
    const QString path = folder.copyOfSystemDataFile();
    {
        Connection c;
        c.open(path);
        Transaction t(c);
        for (int i = 1; i <= 2000; ++i)
            c.execute(QStringLiteral("INSERT INTO dt_data(c901, c902, z001) VALUES (?, ?, ?)"),
                      {qint64(110000000000) + i, QStringLiteral("单位%1").arg(i), i});
        t.commit();
        c.execute(QStringLiteral("DELETE FROM dt_data WHERE c901 % 2 = 0"));
    }
    const qint64 before = QFileInfo(path).size();
    EXPECT_TRUE(CompactDatabaseFile(path));
    EXPECT_TRUE(test::prompts().messages.isEmpty());
    EXPECT_LT(QFileInfo(path).size(), before);
    Connection c;
    c.open(path);
    c.verify({QStringLiteral("dt_data")});
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT count(*) FROM dt_data")).toInt(), 1000);
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT sum(z001) FROM dt_data")).toLongLong(), 1000LL * 1000);
    // The rest of the file came along too.
    Connection built;
    built.open(test::builtSystemDataFile(), Access::ReadOnly);
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT count(*) FROM CT_CityName")),
              built.scalar(QStringLiteral("SELECT count(*) FROM CT_CityName")));
}

TEST(CompactDatabaseFile, ReportsAFailureAndLeavesTheFileUnchanged) {
    test::TempFolder folder;
    const QString path = folder.path(QStringLiteral("broken.mdb"));
    test::writeAll(path, QByteArray(4096, 'z'));
    EXPECT_THROW(CompactDatabaseFile(path), Error);
    EXPECT_EQ(test::readAll(path), QByteArray(4096, 'z'));
}

// Without unnamed files a new file has a hidden name until it is complete; a
// hidden name that a killed run left is removed by the next write into its folder.
TEST(NewFile, HiddenNamesNeverOutliveTheirRun) {
    test::TempFolder folder;
    const QString path = folder.path(QStringLiteral("out.dat"));
    const auto names = [&] { return QDir(folder.path(QString())).entryList(QDir::Files | QDir::Hidden); };
    NewFile::setUnnamedFilesAllowed(false);
    {
        NewFile abandoned(path);
        abandoned.write("half");
        EXPECT_EQ(names().size(), 1);
        EXPECT_TRUE(names()[0].startsWith(QStringLiteral(".~varnel-")));
    }
    EXPECT_TRUE(names().isEmpty());
    const QString killed = folder.path(QStringLiteral(".~varnel-999999999-abc123.part"));
    test::writeAll(killed, "left by a killed run");
    const QString running = folder.path(QStringLiteral(".~varnel-%1-abc123.part").arg(::getpid()));
    test::writeAll(running, "being written");
    writeFileWhole(path, "whole");
    NewFile::setUnnamedFilesAllowed(true);
    EXPECT_EQ(names(), (QStringList{QFileInfo(running).fileName(), QStringLiteral("out.dat")}));
    EXPECT_EQ(test::readAll(path), QByteArray("whole"));
}
