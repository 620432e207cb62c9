#include "core/AutoBackup.h"

#include "checks/CheckTestSupport.h"
#include "db/Maintenance.h"
#include "db/Statement.h"
#include "lists/RecordDeletion.h"

#include "support/DamagedFile.h"

#include <QDir>

namespace {

class AutoBackupTest : public test::CheckDatabase {
protected:
    void SetUp() override {
        CheckDatabase::SetUp();
        setAutoBackupsKept(10);
        test::addRecord(110101000001, {{"z001", 3}, {"RecordState", 1}});
        test::addRecord(110101000002, {{"z002", 4.5}, {"RecordState", 2}});
        test::addRecord(110105000001, {{"RecordState", 0}});
    }
    QString backupFolder() const { return autoBackupFolder(workingDatabase().path); }
    QStringList backupNames() const { return QDir(backupFolder()).entryList({QStringLiteral("*.mdb")}, QDir::Files, QDir::Name); }
    // Every stored value of every record, in code order.
    static QString rows() {
        QStringList all;
        db::Statement statement(db(), QStringLiteral("select * from dt_data order by c901"));
        while (statement.next()) {
            QStringList values;
            for (int c = 0; c < statement.columnCount(); ++c) values << db::variantToText(statement.value(c));
            all << values.join(u'|');
        }
        return all.join(u'\n');
    }
};

} // namespace

TEST_F(AutoBackupTest, TheNewestBackupsAreKeptAndNoneWhenTurnedOff) {
    // Older backups of this data file, and one of another file in the same folder.
    QDir().mkpath(backupFolder());
    const QString prefix = backupFolder() + QStringLiteral("/2019NB_qv_201908291730-");
    for (const char* time : {"20240101-080000", "20240102-080000", "20240103-080000", "20240104-080000"})
        db::CopyFileWhole(workingDatabase().path, prefix + QLatin1String(time) + QStringLiteral("-删除记录.mdb"));
    test::writeAll(backupFolder() + QStringLiteral("/其他-20200101-080000-删除记录.mdb"), "x");

    setAutoBackupsKept(3);
    EXPECT_EQ(MakeAutoBackup(db(), QStringLiteral("压缩数据库文件")), QString());
    const QStringList names = backupNames();
    ASSERT_EQ(names.size(), 4) << names.join(u' ').toStdString();
    EXPECT_EQ(names[0], QStringLiteral("2019NB_qv_201908291730-20240103-080000-删除记录.mdb"));
    EXPECT_EQ(names[1], QStringLiteral("2019NB_qv_201908291730-20240104-080000-删除记录.mdb"));
    EXPECT_TRUE(names[2].endsWith(QStringLiteral("-压缩数据库文件.mdb")));
    EXPECT_EQ(names[3], QStringLiteral("其他-20200101-080000-删除记录.mdb"));

    // Two backups within one second keep both.
    EXPECT_EQ(MakeAutoBackup(db(), QStringLiteral("压缩数据库文件")), QString());
    EXPECT_EQ(backupNames().filter(QStringLiteral("压缩数据库文件")).size(), 2);

    setAutoBackupsKept(0);
    EXPECT_EQ(MakeAutoBackup(db(), QStringLiteral("删除记录")), QString());
    EXPECT_EQ(backupNames().size(), 4);
}

TEST_F(AutoBackupTest, RestoringABackupBringsBackTheRecordsExactly) {
    const QString before = rows();
    test::prompts().answers = {true};
    ASSERT_TRUE(DeleteAllRecords(db()));
    EXPECT_EQ(rows(), QString());

    const QList<AutoBackup> listed = ListAutoBackups(db());
    ASSERT_EQ(listed.size(), 1);
    EXPECT_EQ(listed[0].step, QStringLiteral("删除记录"));
    EXPECT_EQ(listed[0].records, 3);
    EXPECT_EQ(listed[0].label, workingDatabase().label);
    EXPECT_LE(listed[0].time.secsTo(QDateTime::currentDateTime()), 60);

    int announced = 0;
    QObject::connect(&workingDatabase(), &WorkingDatabase::recordsChanged, [&] { ++announced; });
    test::prompts().clear();
    test::prompts().answers = {true};
    EXPECT_TRUE(RestoreAutoBackup(workingDatabase(), listed[0].name).isDone());
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(announced, 1);
    EXPECT_TRUE(test::prompts().messages[0].contains(QStringLiteral("在“删除记录”之前所做的自动备份（3条记录")))
        << test::prompts().messages[0].toStdString();
    // The emptied file was backed up before it was replaced.
    const QList<AutoBackup> after = ListAutoBackups(db());
    ASSERT_EQ(after.size(), 2);
    EXPECT_EQ(after[0].step, QStringLiteral("从自动备份恢复"));
    EXPECT_EQ(after[0].records, 0);

    // A damaged backup is refused before anything changes.
    test::writeAll(after[1].path, QByteArray(4096, 'x'));
    test::prompts().clear();
    EXPECT_EQ(RestoreAutoBackup(workingDatabase(), after[1].name).status, Outcome::Status::Refused);
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(test::prompts().errors, QStringList{QStringLiteral("自动备份“%1”已经损坏，不能恢复。").arg(after[1].name)});
}

TEST_F(AutoBackupTest, ABackupThatCannotBeWrittenStopsTheDeletion) {
    const QString before = rows();
    test::prompts().answers = {true};
    QString upper = QStringLiteral("110101999999");
    {
        const test::FileSizeLimit fullDisk(64 * 1024);
        EXPECT_FALSE(DeleteRecordRange(db(), QStringLiteral("110101000000"), upper));
    }
    EXPECT_EQ(rows(), before);
    ASSERT_EQ(test::prompts().errors.size(), 1);
    EXPECT_TRUE(test::prompts().errors[0].startsWith(QStringLiteral("自动备份没有完成，数据没有任何改动：")));
    EXPECT_TRUE(QDir(backupFolder()).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // A range without records changes nothing and needs no backup.
    test::prompts().clear();
    test::prompts().answers = {true};
    upper = QStringLiteral("110199999999");
    EXPECT_TRUE(DeleteRecordRange(db(), QStringLiteral("110190000000"), upper));
    EXPECT_TRUE(backupNames().isEmpty());
}
