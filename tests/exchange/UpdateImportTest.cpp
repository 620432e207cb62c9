#include "exchange/UpdateImport.h"

#include "ExchangeTestSupport.h"
#include "core/AutoBackup.h"

#include "support/DamagedFile.h"

#include <QDir>

namespace {

// The working database holds A (to be corrected), B (sent again unchanged) and
// C (not in the file); the file corrects A and brings the new D.
constexpr qint64 kA = 110105000001, kB = 110105000002, kC = 110105000003, kD = 110105000004;

class UpdateImportTest : public test::ExchangeDatabase {
protected:
    void SetUp() override {
        ExchangeDatabase::SetUp();
        setAutoBackupsKept(10);
        test::addRecord(kA, {{"z001", 10}, {"RecordState", 2}});
        test::addRecord(kB, {{"z001", 7}, {"RecordState", 1}});
        test::addRecord(kC, {{"RecordState", 1}});
    }

    // A backup file of another office: its records are inserted by `rows` (SQL), under `label`.
    QString officeFile(const QString& name, const QString& rows, const QString& label = QStringLiteral("朝阳区总工会")) {
        const QString path = folder.copyOfSystemDataFile(name);
        db::Connection file;
        file.open(path);
        file.executeScript(rows);
        if (file.execute(QStringLiteral("UPDATE ct_label SET db_name=?"), {label}) == 0)
            file.execute(QStringLiteral("INSERT INTO ct_label(db_name) VALUES(?)"), {label});
        return path;
    }
    // The resubmitted file: A with a new name, z001 and z002 and in state 1, B as stored, and D.
    QString resubmitted(const QString& name = QStringLiteral("复审.mdb")) {
        return officeFile(name, QStringLiteral(
            "INSERT INTO dt_data(c901,c902,c907,z001,z002,RecordState) VALUES(%1,'朝阳区总工会（更正）',1,12,5,1);"
            "INSERT INTO dt_data(c901,c902,c907,z001,RecordState) VALUES(%2,'单位2',1,7,1);"
            "INSERT INTO dt_data(c901,c902,c907,RecordState) VALUES(%3,'单位4',1,1);").arg(kA).arg(kB).arg(kD));
    }
    // Every stored value of every record, in code order.
    static QString rows() {
        QStringList all;
        db::Statement statement(db(), QStringLiteral("select * from dt_data order by c901"));
        while (statement.next()) {
            QStringList values;
            for (int c = 0; c < statement.columnCount(); ++c) values << statement.text(c);
            all << values.join(u'|');
        }
        return all.join(u'\n');
    }
    QStringList backups() const {
        return QDir(autoBackupFolder(workingDatabase().path)).entryList({QStringLiteral("*.mdb")}, QDir::Files);
    }
};

QString heading(const QString& path, const QString& counts) {
    return QStringLiteral("文件：") + path + QStringLiteral("\r\n标记声明为【朝阳区总工会】\r\n") + counts + QStringLiteral("\r\n")
           + QString(80, u'-') + QStringLiteral("\r\n");
}

} // namespace

TEST_F(UpdateImportTest, AResubmittedFileAddsTheNewRecordsAndReplacesTheChangedOnesWhole) {
    const QString path = resubmitted();
    const QString before = rows();

    // The dry run compares and counts, and changes nothing.
    QList<FileComparison> compared;
    EXPECT_TRUE(UpdateImportFilesAt(workingDatabase(), {path}, false, &compared).isDone());
    EXPECT_EQ(rows(), before);
    EXPECT_TRUE(backups().isEmpty());
    ASSERT_EQ(compared.size(), 1);
    EXPECT_EQ(compared[0].added, 1);
    EXPECT_EQ(compared[0].identical, 1);
    EXPECT_EQ(opened, QStringList{ComparisonReportPath()});
    EXPECT_EQ(test::readAll(ComparisonReportPath()),
              encodeGb18030(heading(path, QStringLiteral("新记录1条，需要更新的记录1条，相同的记录1条"))
                            + QStringLiteral("(110105000001,单位1)\r\n"
                                             "工会名称（c902）：单位1 → 朝阳区总工会（更正）\r\n"
                                             "记录状态（RecordState）：2 → 1\r\n"
                                             "所辖工会在职会员(人)（z001）：10 → 12\r\n"
                                             "其中：女性在职会员(人)（z002）：空 → 5\r\n")));

    // The update: the label confirmed, then one question with the counts; a backup first.
    test::prompts().clear();
    test::prompts().answers = {true, true};
    const Outcome outcome = UpdateImportFilesAt(workingDatabase(), {path}, true);
    EXPECT_TRUE(outcome.isDone());
    EXPECT_EQ(outcome.file, ComparisonReportPath());
    EXPECT_EQ(test::prompts().messages,
              (QStringList{QStringLiteral("确认准备导入标记声明为【朝阳区总工会】的数据么？"),
                           QStringLiteral("准备导入新记录1条，需要更新的记录1条，与现有的记录相同的1条。\n\n"
                                          "更新之前先自动备份数据库文件。确认导入新记录并更新不同的记录么？"),
                           QStringLiteral("更新导入完成：导入了新记录1条，更新了记录1条。")}));
    EXPECT_EQ(db().scalar(QStringLiteral("select group_concat(c901 || ':' || c902 || ':' || ifnull(z001,'') || ':' || "
                                         "ifnull(z002,'') || ':' || RecordState, ';') from (select * from dt_data order by c901)"))
                  .toString(),
              QStringLiteral("110105000001:朝阳区总工会（更正）:12:5:1;110105000002:单位2:7::1;110105000003:单位3:::1;"
                             "110105000004:单位4:::1"));
    ASSERT_EQ(backups().size(), 1);
    EXPECT_TRUE(backups()[0].endsWith(QStringLiteral("-更新导入.mdb"))) << backups()[0].toStdString();

    // Sent once more, the file holds nothing new: nothing is asked, backed up or changed.
    const QString updated = rows();
    test::prompts().clear();
    test::prompts().answers = {true};
    EXPECT_TRUE(UpdateImportFilesAt(workingDatabase(), {path}, true).isDone());
    EXPECT_EQ(test::prompts().messages.last(),
              QStringLiteral("没有需要导入或更新的记录：新记录0条，需要更新的记录0条，与现有的记录相同的3条。"));
    EXPECT_EQ(rows(), updated);
    EXPECT_EQ(backups().size(), 1);
}

TEST_F(UpdateImportTest, ACodeThatAnEarlierFileCarriesRefusesTheLaterFile) {
    const QString first = resubmitted(QStringLiteral("a.mdb"));
    const QString second = officeFile(QStringLiteral("b.mdb"), QStringLiteral(
        "INSERT INTO dt_data(c901,c902,c907,RecordState) VALUES(%1,'单位4',1,1);"
        "INSERT INTO dt_data(c901,c902,c907,RecordState) VALUES(110105000009,'单位9',1,1);").arg(kD));
    test::prompts().answers = {true, true};
    const Outcome outcome = UpdateImportFilesAt(workingDatabase(), {first, second}, true);
    EXPECT_EQ(outcome.status, Outcome::Status::Refused);
    EXPECT_EQ(count(QStringLiteral("select count(*) from dt_data")), 4);
    EXPECT_EQ(count(QStringLiteral("select count(*) from dt_data where c901=110105000009")), 0);
    const QString report = decodeGb18030(test::readAll(ComparisonReportPath()));
    EXPECT_TRUE(report.endsWith(QStringLiteral("\r\n\r\n文件：") + second + QStringLiteral("\r\n标记声明为【朝阳区总工会】\r\n"
                                               "不能导入：与前面的文件有相同编号的记录：110105000004\r\n")
                                + QString(80, u'-') + QStringLiteral("\r\n")))
        << report.toStdString();
    EXPECT_TRUE(test::prompts().messages[1].contains(QStringLiteral("不能导入的文件：b.mdb"))) << test::prompts().messages[1].toStdString();
}

TEST_F(UpdateImportTest, AFailureInTheMiddleOfTheUpdateLeavesEveryRecordAsItWas) {
    const QString path = resubmitted();
    const QString before = rows();
    // A's old record is gone by the time D is refused.
    db().executeScript(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON dt_data WHEN new.c901=%1 "
                                      "BEGIN SELECT RAISE(ABORT, '拒绝'); END;").arg(kD));
    test::prompts().answers = {true, true};
    EXPECT_EQ(UpdateImportFilesAt(workingDatabase(), {path}, true).status, Outcome::Status::Failed);
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(test::prompts().errors, QStringList{QStringLiteral("更新导入没有完成，数据没有任何改动：拒绝")});
}

TEST_F(UpdateImportTest, AFullDiskStopsTheUpdateBeforeAnythingChanges) {
    const QString path = resubmitted();
    const QString before = rows();
    test::prompts().answers = {true, true};
    Outcome outcome;
    {
        const test::FileSizeLimit fullDisk(64 * 1024);
        outcome = UpdateImportFilesAt(workingDatabase(), {path}, true);
    }
    EXPECT_EQ(outcome.status, Outcome::Status::Failed);
    EXPECT_EQ(rows(), before);
    ASSERT_EQ(test::prompts().errors.size(), 1);
    EXPECT_TRUE(test::prompts().errors[0].startsWith(QStringLiteral("自动备份没有完成，数据没有任何改动：")))
        << test::prompts().errors[0].toStdString();
    EXPECT_TRUE(backups().isEmpty());
    EXPECT_TRUE(QDir(autoBackupFolder(workingDatabase().path)).entryList(QDir::Files | QDir::Hidden).isEmpty());
}
