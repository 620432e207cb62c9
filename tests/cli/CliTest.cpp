// The command-line companion, run as a process on real copies of the system
// data file in a program folder of its own.

#include "core/Startup.h"
#include "core/Version.h"
#include "exchange/ExchangeTestSupport.h"
#include "exchange/ExportForReporting.h"
#include "exchange/ImportExchangeFile.h"
#include "summary/SummaryWorkbook.h"
#include "workbook/Workbook.h"

#include "support/DamagedFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QThread>

namespace {

struct Finished {
    int status = -1;
    QString out;
    QString err;
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir().mkpath(programDir());
        QDir().mkpath(tempDir());
        const QString program = programDir() + QStringLiteral("varnel-survey-cli");
        ASSERT_TRUE(QFile::copy(QStringLiteral(CLI_PROGRAM), program));
        QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);
        ASSERT_TRUE(QFile::copy(test::builtSystemDataFile(), systemDataFile()));
        ASSERT_TRUE(QFile::copy(test::builtProgramFolder() + QStringLiteral("view.dll"), programDir() + QStringLiteral("view.dll")));
        // The exchange files the tests make come from the same template.
        setProgramFolder(programDir());
    }
    void TearDown() override { setProgramFolder({}); }

    QString programDir() const { return folder.path(QStringLiteral("program/")); }
    QString tempDir() const { return folder.path(QStringLiteral("temp")); }
    QString systemDataFile() const { return programDir() + systemDataFileName(); }
    QString path(const QString& name) const { return folder.path(name); }

    Finished run(const QStringList& arguments, const QString& workingDirectory = {}) const {
        QProcess process;
        process.setWorkingDirectory(workingDirectory);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TEMP"), tempDir());
        environment.insert(QStringLiteral("HOME"), folder.path(QStringLiteral("home")));
        process.setProcessEnvironment(environment);
        process.start(programDir() + QStringLiteral("varnel-survey-cli"), arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
    }

    // A copy of the system data file holding `codes` with RecordState `state`.
    QString databaseOf(const QString& name, std::initializer_list<qint64> codes, int state = 1) const {
        const QString file = path(name);
        QFile::copy(test::builtSystemDataFile(), file);
        db::Connection connection;
        connection.open(file);
        for (qint64 code : codes)
            connection.execute(QStringLiteral("INSERT INTO dt_data(c901,c902,c904,c907,z001,RecordState) VALUES(?,?,10,1,5,?)"),
                               {code, QStringLiteral("单位%1").arg(code % 1000), state});
        return file;
    }

    // An exchange file of `codes` written by another office's export under `label`.
    QString exchangeFileOf(const QString& name, std::initializer_list<qint64> codes, const QString& label) const {
        WorkingDatabase office;
        office.connection.open(databaseOf(name + QStringLiteral(".mdb"), codes));
        office.path = office.connection.path();
        WriteExchangeFile(office, label, path(name));
        return path(name);
    }

    static QStringList codesIn(const QString& file) {
        db::Connection connection;
        connection.open(file, db::Access::ReadOnly);
        db::Statement rows(connection, QStringLiteral("select c901 from dt_data order by c901"));
        QStringList codes;
        while (rows.next()) codes << rows.text(0);
        return codes;
    }

    // Code, z001 and RecordState of every record.
    static QString valuesIn(const QString& file) {
        db::Connection connection;
        connection.open(file, db::Access::ReadOnly);
        return connection.scalar(QStringLiteral("select group_concat(c901 || ':' || z001 || ':' || RecordState, ';') "
                                                "from (select * from dt_data order by c901)")).toString();
    }

    test::TempFolder folder;
};

TEST_F(CliTest, HelpAndBadArguments) {
    const Finished help = run({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"info", "check", "import", "export", "report", "summary", "transform", "restore", "backups",
                                "restore-backup"})
        EXPECT_TRUE(help.out.contains(QStringLiteral("  ") + QLatin1String(command))) << command;
    const Finished checkHelp = run({QStringLiteral("check"), QStringLiteral("--help")});
    EXPECT_EQ(checkHelp.status, 0);
    EXPECT_TRUE(checkHelp.out.contains(QStringLiteral("check [--range 起始编码 终止编码 | --codes 编码,编码,…]")));
    const Finished version = run({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, QStringLiteral("varnel-survey-cli 1.0 (Build %1)\n").arg(ReadVersionInfo().buildNumber));

    const QList<std::pair<QStringList, QString>> bad{
        {{}, QStringLiteral("没有给出命令。")},
        {{QStringLiteral("merge")}, QStringLiteral("未知的命令“merge”。")},
        {{QStringLiteral("info"), QStringLiteral("--force")}, QStringLiteral("未知的选项“--force”。")},
        {{QStringLiteral("info"), QStringLiteral("x.dat")}, QStringLiteral("命令 info 要给0个文件。")},
        {{QStringLiteral("info"), QStringLiteral("--label"), QStringLiteral("x")}, QStringLiteral("命令 info 没有选项“--label”。")},
        {{QStringLiteral("check"), QStringLiteral("--range"), QStringLiteral("1")}, QStringLiteral("选项“--range”后面要跟2个值。")},
        {{QStringLiteral("check"), QStringLiteral("--range"), QStringLiteral("a"), QStringLiteral("9")}, QStringLiteral("“a”不是数字。")},
        {{QStringLiteral("check"), QStringLiteral("--range=1")}, QStringLiteral("选项“--range”要用逗号隔开的2个值。")},
        {{QStringLiteral("--yes=1"), QStringLiteral("info")}, QStringLiteral("选项“--yes”不带值。")},
        {{QStringLiteral("--force=1"), QStringLiteral("info")}, QStringLiteral("未知的选项“--force”。")},
        {{QStringLiteral("check"), QStringLiteral("--codes"), QStringLiteral("1,x")}, QStringLiteral("“x”不是统计编码。")},
        {{QStringLiteral("check"), QStringLiteral("--codes"), QStringLiteral("1"), QStringLiteral("--range"), QStringLiteral("1"),
          QStringLiteral("2")},
         QStringLiteral("--range 和 --codes 只能用其中一个。")},
        {{QStringLiteral("import")}, QStringLiteral("命令 import 至少要给1个文件。")},
        {{QStringLiteral("export"), path(QStringLiteral("out.dat"))}, QStringLiteral("请用 --label 给出提供数据的单位的名称。")},
        {{QStringLiteral("summary"), QStringLiteral("--by"), QStringLiteral("county"), path(QStringLiteral("out.xlsx"))},
         QStringLiteral("请用 --by level、--by state 或 --by group=编号 给出汇总的方式。")},
        {{QStringLiteral("summary"), QStringLiteral("--by"), QStringLiteral("level"), QStringLiteral("--tables"),
          QStringLiteral("2-25"), path(QStringLiteral("out.xlsx"))},
         QStringLiteral("“25”不是1到24的表号。")},
        {{QStringLiteral("summary"), QStringLiteral("--by"), QStringLiteral("level"), QStringLiteral("--tables"),
          QStringLiteral("4-2"), path(QStringLiteral("out.xlsx"))},
         QStringLiteral("“4-2”不是表号的范围。")},
        {{QStringLiteral("summary"), QStringLiteral("--by"), QStringLiteral("group=9"), path(QStringLiteral("out.xlsx"))},
         QStringLiteral("没有编号为9的数据分组。")},
    };
    const QByteArray before = test::readAll(systemDataFile());
    for (const auto& [arguments, message] : bad) {
        const Finished result = run(arguments);
        EXPECT_EQ(result.status, 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(result.err.startsWith(message)) << result.err.toStdString();
        EXPECT_TRUE(result.out.isEmpty());
    }
    EXPECT_EQ(test::readAll(systemDataFile()), before);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("out.dat"))));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("out.xlsx"))));
}

TEST_F(CliTest, MissingFilesAndFilesThatAreNoSurveyDatabaseGiveStatusTwoAndStayAsTheyWere) {
    EXPECT_EQ(run({QStringLiteral("--db"), path(QStringLiteral("none.mdb")), QStringLiteral("info")}).status, 2);
    const Finished missingImport = run({QStringLiteral("import"), QStringLiteral("--yes"), path(QStringLiteral("none.dat"))});
    EXPECT_EQ(missingImport.status, 2);
    EXPECT_TRUE(missingImport.err.startsWith(QStringLiteral("文件“%1”不存在。").arg(path(QStringLiteral("none.dat")))));
    EXPECT_EQ(run({QStringLiteral("transform"), path(QStringLiteral("none.dat"))}).status, 2);

    const QString text = path(QStringLiteral("notes.mdb"));
    test::writeAll(text, QByteArray(4096, 'x'));
    const QString other = path(QStringLiteral("other.mdb"));
    {
        db::Connection::createEmpty(other);
        db::Connection connection;
        connection.open(other);
        connection.executeScript(QStringLiteral("CREATE TABLE ct_label(db_name TEXT); INSERT INTO ct_label VALUES('分组');"));
    }
    for (const QString& file : {text, other}) {
        const QByteArray before = test::readAll(file);
        const Finished result = run({QStringLiteral("--db"), file, QStringLiteral("check")});
        EXPECT_EQ(result.status, 2) << file.toStdString();
        EXPECT_TRUE(result.err.contains(QStringLiteral("文件“%1”不是调查数据库文件。").arg(file))) << result.err.toStdString();
        EXPECT_EQ(test::readAll(file), before);
    }

    // Without --db the program folder's system data file is meant.
    QFile::remove(systemDataFile());
    const Finished noDefault = run({QStringLiteral("info")});
    EXPECT_EQ(noDefault.status, 2);
    EXPECT_TRUE(noDefault.err.startsWith(QStringLiteral("数据库文件“%1”不存在。").arg(systemDataFile())));
}

TEST_F(CliTest, InfoCountsTheRecordsOfTheSystemDataFileByStateAndLevel) {
    {
        db::Connection connection;
        connection.open(systemDataFile());
        connection.execute(QStringLiteral("INSERT INTO dt_data(c901,c902,c904,c907,RecordState) VALUES"
                                          "(1,'a',10,1,1),(2,'b',10,1,2),(3,'c',3,3,1)"));
    }
    const Finished result = run({QStringLiteral("info")});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    const QStringList lines = result.out.split(u'\n');
    EXPECT_EQ(lines.mid(1, 2), (QStringList{QStringLiteral("文件\t") + systemDataFile(), QStringLiteral("记录数\t3")}));
    for (const QString& line : {QStringLiteral("1\t没有逻辑错误\t2"), QStringLiteral("2\t存在逻辑错误\t1"), QStringLiteral("1\t正常填报\t2"),
                                QStringLiteral("3\t本年撤销\t1"), QStringLiteral("10\t乡镇工会\t2"), QStringLiteral("3\t县级地方工会\t1")})
        EXPECT_TRUE(lines.contains(line)) << line.toStdString();

    // The same counts under fixed keys, for scripts.
    const Finished json = run({QStringLiteral("info"), QStringLiteral("--json")});
    EXPECT_EQ(json.status, 0) << json.err.toStdString();
    const QJsonObject info = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(info.value(QStringLiteral("label")).toString(), QStringLiteral("默认数据库"));
    EXPECT_EQ(info.value(QStringLiteral("file")).toString(), systemDataFile());
    EXPECT_EQ(info.value(QStringLiteral("records")).toInt(), 3);
    const auto entry = [](int code, const QString& name, int records) {
        return QJsonObject{{QStringLiteral("code"), code}, {QStringLiteral("name"), name}, {QStringLiteral("records"), records}};
    };
    EXPECT_EQ(info.value(QStringLiteral("recordState")).toArray(),
              (QJsonArray{entry(1, QStringLiteral("没有逻辑错误"), 2), entry(2, QStringLiteral("存在逻辑错误"), 1)}));
    EXPECT_EQ(info.value(QStringLiteral("reportState")).toArray(),
              (QJsonArray{entry(1, QStringLiteral("正常填报"), 2), entry(3, QStringLiteral("本年撤销"), 1)}));
    EXPECT_EQ(info.value(QStringLiteral("level")).toArray(),
              (QJsonArray{entry(3, QStringLiteral("县级地方工会"), 1), entry(10, QStringLiteral("乡镇工会"), 2)}));
}

TEST_F(CliTest, CheckSetsTheStatesAndExitsWithOneOnFindings) {
    const QString database = databaseOf(QStringLiteral("county.mdb"), {110101000001, 110101000002}, 0);
    const QStringList check{QStringLiteral("--db"), database, QStringLiteral("check")};
    const Finished passing = run(check);
    EXPECT_EQ(passing.status, 0) << passing.err.toStdString();
    EXPECT_EQ(passing.err, QStringLiteral("恭喜你，所检查的数据没有逻辑错误\n"));
    const QString results = passing.out.trimmed();
    EXPECT_TRUE(results.startsWith(tempDir() + QStringLiteral("/2019基层以上-"))) << results.toStdString();
    EXPECT_TRUE(QFile::exists(results));

    {
        db::Connection connection;
        connection.open(database);
        connection.execute(QStringLiteral("UPDATE dt_data SET x002=1 WHERE c901=110101000002"));
    }
    const Finished failing = run(check);
    EXPECT_EQ(failing.status, 1);
    EXPECT_EQ(failing.out.trimmed(), results);
    EXPECT_TRUE(decodeGb18030(test::readAll(results)).contains(QStringLiteral("110101000002  单位2的数据有错误")));
    db::Connection connection;
    connection.open(database, db::Access::ReadOnly);
    EXPECT_EQ(connection.scalar(QStringLiteral("select group_concat(RecordState) from (select RecordState from dt_data order by c901)")).toString(),
              QStringLiteral("1,2"));
    connection.close();

    // Only the listed record: it passes. Options take their values after "=" as well.
    EXPECT_EQ(run(check + QStringList{QStringLiteral("--codes"), QStringLiteral("110101000001")}).status, 0);
    EXPECT_EQ(run({QStringLiteral("--db=") + database, QStringLiteral("check"), QStringLiteral("--codes=110101000001")}).status, 0);
    EXPECT_EQ(run(check + QStringList{QStringLiteral("--range"), QStringLiteral("110101000002"), QStringLiteral("110101000009")}).status,
              1);
    EXPECT_EQ(run(check + QStringList{QStringLiteral("--range=110101000001,110101000001")}).status, 0);
    EXPECT_EQ(run(check + QStringList{QStringLiteral("--range=110101000002,110101000009")}).status, 1);

    // Listed codes without a record are named, and nothing is checked.
    connection.open(database);
    connection.execute(QStringLiteral("UPDATE dt_data SET RecordState=0 WHERE c901=110101000001"));
    connection.close();
    const Finished unknown = run(check + QStringList{QStringLiteral("--codes=110101000001,110101000007,110101000008")});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, QStringLiteral("没有统计编码为 110101000007、110101000008 的记录，没有检查。\n"));
    EXPECT_TRUE(unknown.out.isEmpty());
    connection.open(database, db::Access::ReadOnly);
    EXPECT_EQ(connection.scalar(QStringLiteral("select RecordState from dt_data where c901=110101000001")).toInt(), 0);
}

TEST_F(CliTest, ImportTakesEachFileWholeOrNotAtAllAndReportsConflicts) {
    const QString target = databaseOf(QStringLiteral("city.mdb"), {110105000002});
    const QString first = exchangeFileOf(QStringLiteral("a.dat"), {110101000001, 110101000002}, QStringLiteral("东城区总工会"));
    const QString second = exchangeFileOf(QStringLiteral("b.dat"), {110105000001, 110105000002}, QStringLiteral("朝阳区总工会"));
    const QString third = exchangeFileOf(QStringLiteral("c.dat"), {110108000001, 110101000001}, QStringLiteral("海淀区总工会"));
    const QStringList import{QStringLiteral("--db"), target, QStringLiteral("import"), first, second, third};

    // Without --yes nothing is imported: each file with its label, its number of records and the codes that
    // would conflict, the files taken in turn as the import takes them (c.dat meets a record of a.dat).
    const QByteArray before = test::readAll(target);
    const Finished listed = run(import);
    EXPECT_EQ(listed.status, 1);
    EXPECT_EQ(listed.out, QStringLiteral("文件\t标识\t记录数\t冲突的统计编码\n") + first + QStringLiteral("\t东城区总工会\t2\t\n") + second
                              + QStringLiteral("\t朝阳区总工会\t2\t110105000002\n") + third + QStringLiteral("\t海淀区总工会\t2\t110101000001\n"));
    EXPECT_TRUE(listed.err.contains(QStringLiteral("请加上 --yes 再运行一次"))) << listed.err.toStdString();
    EXPECT_EQ(test::readAll(target), before);
    EXPECT_EQ(run({QStringLiteral("--db"), target, QStringLiteral("import"), first}).status, 0);
    EXPECT_EQ(test::readAll(target), before);

    // Each file whole or not at all; one report holds the conflicts of both refused files.
    const QByteArray secondBefore = test::readAll(second);
    const Finished result = run(import + QStringList{QStringLiteral("--yes")});
    EXPECT_EQ(result.status, 1);
    const QString conflicts = tempDir() + QStringLiteral("/数据导入编号冲突.txt");
    EXPECT_EQ(result.out, conflicts + u'\n');
    EXPECT_TRUE(result.err.endsWith(QStringLiteral("共3个文件：导入了1个，因编号冲突没有导入2个，不能读取0个。\n\n"
                                                   "发生编号冲突的记录请参见文件：\n            数据导入编号冲突.txt\n")))
        << result.err.toStdString();
    const QString heading = QStringLiteral("在准备导入的文件中，如下的记录与现有的记录发生编号冲突\r\n") + QString(80, u'-');
    EXPECT_EQ(decodeGb18030(test::readAll(conflicts)),
              QStringLiteral("文件：") + second + QStringLiteral("\r\n") + heading + QStringLiteral("\r\n(110105000002,单位2)\r\n\r\n")
                  + QStringLiteral("文件：") + third + QStringLiteral("\r\n") + heading + QStringLiteral("\r\n(110101000001,单位1)\r\n"));
    EXPECT_EQ(codesIn(target), (QStringList{QStringLiteral("110101000001"), QStringLiteral("110101000002"),
                                            QStringLiteral("110105000002")}));
    EXPECT_EQ(test::readAll(second), secondBefore);

    // A damaged file is refused with the desktop's message; nothing changes.
    const QString damaged = path(QStringLiteral("damaged.dat"));
    QByteArray bytes = test::readAll(third);
    bytes.replace(2000, 4000, QByteArray(4000, '\x5a'));
    test::writeAll(damaged, bytes);
    const QByteArray merged = test::readAll(target);
    const Finished refused = run({QStringLiteral("--db"), target, QStringLiteral("import"), QStringLiteral("--yes"), damaged});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.startsWith(QStringLiteral("文件格式错误,请重新选择！\n"))) << refused.err.toStdString();
    const Finished looked = run({QStringLiteral("--db"), target, QStringLiteral("import"), damaged});
    EXPECT_EQ(looked.status, 1);
    EXPECT_TRUE(looked.err.startsWith(QStringLiteral("文件“%1”：文件格式错误,请重新选择！\n").arg(damaged))) << looked.err.toStdString();
    EXPECT_EQ(test::readAll(target), merged);
}

TEST_F(CliTest, ImportReplaceComparesThenUpdatesAndAnAutomaticBackupRestoresTheRecords) {
    const QString target = databaseOf(QStringLiteral("city.mdb"), {110105000001, 110105000002});
    // The office sends its file again: 110105000001 corrected, 110105000002 as before, 110105000003 new.
    WorkingDatabase office;
    office.connection.open(databaseOf(QStringLiteral("office.mdb"), {110105000001, 110105000002, 110105000003}));
    office.path = office.connection.path();
    office.connection.execute(QStringLiteral("UPDATE dt_data SET z001=9 WHERE c901=110105000001"));
    const QString file = path(QStringLiteral("复审.dat"));
    WriteExchangeFile(office, QStringLiteral("朝阳区总工会"), file);
    office.connection.close();
    const QStringList replace{QStringLiteral("--db"), target, QStringLiteral("import"), QStringLiteral("--replace"), file};
    const QString report = tempDir() + QStringLiteral("/数据导入对照.txt");
    const QString counts = QStringLiteral("文件\t标识\t新记录\t需要更新\t相同\t不能导入的原因\n") + file
                           + QStringLiteral("\t朝阳区总工会\t1\t1\t1\t\n");

    // Without --yes only the comparison and the counts.
    const QByteArray before = test::readAll(target);
    const Finished compared = run(replace);
    EXPECT_EQ(compared.status, 0) << compared.err.toStdString();
    EXPECT_EQ(compared.out, report + u'\n' + counts);
    EXPECT_TRUE(compared.err.contains(QStringLiteral("请加上 --yes 再运行一次"))) << compared.err.toStdString();
    EXPECT_TRUE(decodeGb18030(test::readAll(report)).contains(QStringLiteral("\r\n(110105000001,单位1)\r\n所辖工会在职会员(人)（z001）：5 → 9\r\n")));
    EXPECT_EQ(test::readAll(target), before);

    const Finished updated = run(replace + QStringList{QStringLiteral("--yes")});
    EXPECT_EQ(updated.status, 0) << updated.err.toStdString();
    EXPECT_EQ(updated.out, report + u'\n' + counts);
    EXPECT_EQ(valuesIn(target), QStringLiteral("110105000001:9:1;110105000002:5:1;110105000003:5:1"));

    // The backup made before the update lists with the records it holds, and brings them back.
    const Finished listed = run({QStringLiteral("--db"), target, QStringLiteral("backups")});
    EXPECT_EQ(listed.status, 0) << listed.err.toStdString();
    const QStringList lines = listed.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << listed.out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("备份时间\t备份时的操作\t记录数\t数据库标识\t文件"));
    const QStringList backup = lines[1].split(u'\t');
    ASSERT_EQ(backup.size(), 5);
    EXPECT_EQ(backup[1], QStringLiteral("更新导入"));
    EXPECT_EQ(backup[2], QStringLiteral("2"));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("自动备份/")) + backup[4]));

    const QByteArray merged = test::readAll(target);
    const QStringList restore{QStringLiteral("--db"), target, QStringLiteral("restore-backup"), backup[4]};
    EXPECT_EQ(run(restore).status, 1);
    EXPECT_EQ(test::readAll(target), merged);
    const Finished restored = run(restore + QStringList{QStringLiteral("--yes")});
    EXPECT_EQ(restored.status, 0) << restored.err.toStdString();
    EXPECT_EQ(valuesIn(target), QStringLiteral("110105000001:5:1;110105000002:5:1"));
    EXPECT_EQ(run({QStringLiteral("--db"), target, QStringLiteral("restore-backup"), QStringLiteral("没有.mdb"), QStringLiteral("--yes")}).status, 1);
}

TEST_F(CliTest, ExportThenImportCarriesEveryVerifiedRecord) {
    const QString county = databaseOf(QStringLiteral("county.mdb"), {110101000001, 110101000002, 110101000003});
    const QString out = path(QStringLiteral("上报.dat"));
    const Finished exported = run({QStringLiteral("--db"), county, QStringLiteral("export"), QStringLiteral("--label"),
                              QStringLiteral("东城区总工会"), out});
    EXPECT_EQ(exported.status, 0) << exported.err.toStdString();
    EXPECT_EQ(exported.out, out + u'\n');
    EXPECT_EQ(exported.err, QStringLiteral("数据已经被正确导出到：'") + out + QStringLiteral("'！\n"));

    const QString city = databaseOf(QStringLiteral("city.mdb"), {});
    const Finished imported = run({QStringLiteral("--db"), city, QStringLiteral("import"), QStringLiteral("--yes"), out});
    EXPECT_EQ(imported.status, 0) << imported.err.toStdString();
    EXPECT_EQ(codesIn(city), codesIn(county));
    EXPECT_TRUE(imported.err.contains(QStringLiteral("【东城区总工会】")));

    // An existing file is replaced only with --yes.
    const QByteArray written = test::readAll(out);
    const QStringList again{QStringLiteral("--db"), city, QStringLiteral("export"), QStringLiteral("--label"), QStringLiteral("市总工会"), out};
    const Finished kept = run(again);
    EXPECT_EQ(kept.status, 1);
    EXPECT_TRUE(kept.err.contains(QStringLiteral("要覆盖，请加上 --yes")));
    EXPECT_EQ(test::readAll(out), written);
    EXPECT_EQ(run(again + QStringList{QStringLiteral("--yes")}).status, 0);
    EXPECT_NE(test::readAll(out), written);
}

TEST_F(CliTest, ExportAndReportAreRefusedWhileARecordIsUnverified) {
    const QString county = databaseOf(QStringLiteral("county.mdb"), {110101000001});
    {
        db::Connection connection;
        connection.open(county);
        connection.execute(QStringLiteral("INSERT INTO dt_data(c901,c902,c907,RecordState) VALUES(110101000002,'b',1,0)"));
    }
    const QString out = path(QStringLiteral("out.dat"));
    const Finished exported = run({QStringLiteral("--db"), county, QStringLiteral("export"), QStringLiteral("--label"), QStringLiteral("x"), out});
    EXPECT_EQ(exported.status, 1);
    EXPECT_EQ(exported.err, QStringLiteral("存在临时保存或逻辑错误的数据，不能上报!\n"));
    const Finished reported = run({QStringLiteral("--db"), county, QStringLiteral("report"), out});
    EXPECT_EQ(reported.status, 1);
    EXPECT_EQ(reported.err, QStringLiteral("存在临时保存或逻辑错误的数据，不能导出上报数据!\n"));
    EXPECT_FALSE(QFile::exists(out));

    // The default label is no label: refused, and the second input box names the flag.
    const QString verified = databaseOf(QStringLiteral("verified.mdb"), {110101000001});
    const Finished unnamed = run({QStringLiteral("--db"), verified, QStringLiteral("export"), QStringLiteral("--label"),
                             QStringLiteral("默认数据库"), out});
    EXPECT_EQ(unnamed.status, 1);
    EXPECT_TRUE(unnamed.err.startsWith(QStringLiteral("必须修改默认的名称！\n")));
    EXPECT_TRUE(unnamed.err.contains(QStringLiteral("--label")));
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(CliTest, ReportWritesTheEncryptedReportFile) {
    const QString county = databaseOf(QStringLiteral("county.mdb"), {110101000001, 110101000002});
    const QString out = path(QStringLiteral("网络版.dat"));
    const Finished result = run({QStringLiteral("--db"), county, QStringLiteral("report"), out});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, out + u'\n');
    EXPECT_EQ(result.err, QStringLiteral("导出上报数据成功\n"));
    const QStringList lines = decodeGb18030(test::decryptReportFile(out)).split(QStringLiteral("\r\n"));
    EXPECT_TRUE(lines[0].contains(QStringLiteral("c901")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("110101000001,单位1,")));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("110101000002,单位2,")));
}

TEST_F(CliTest, RestoreAndTransformUndoEachOther) {
    const QString file = exchangeFileOf(QStringLiteral("a.dat"), {110101000001}, QStringLiteral("东城区总工会"));
    const QByteArray transformed = test::readAll(file);
    ASSERT_EQ(transformed.at(0), '\x05');
    EXPECT_EQ(run({QStringLiteral("restore"), file}).status, 0);
    const QByteArray restored = test::readAll(file);
    EXPECT_NE(restored.left(kExchangeHeaderSize), transformed.left(kExchangeHeaderSize));
    EXPECT_EQ(restored.mid(kExchangeHeaderSize), transformed.mid(kExchangeHeaderSize));
    EXPECT_EQ(run({QStringLiteral("transform"), file}).status, 0);
    EXPECT_EQ(test::readAll(file), transformed);

    // Each takes only the form it changes: a plain database, a file restored
    // already and a short file get the format error and stay as they were.
    test::writeAll(path(QStringLiteral("short.dat")), QByteArray(100, '\x05'));
    for (const auto& [command, name] : {std::pair{"transform", systemDataFile()}, {"transform", path(QStringLiteral("short.dat"))},
                                        {"restore", path(QStringLiteral("a.dat.mdb"))}, {"restore", path(QStringLiteral("short.dat"))}}) {
        const QByteArray before = test::readAll(name);
        const Finished refused = run({QLatin1String(command), name});
        EXPECT_EQ(refused.status, 2) << command << ' ' << name.toStdString();
        EXPECT_TRUE(refused.err.startsWith(QStringLiteral("文件格式错误,请重新选择！"))) << refused.err.toStdString();
        EXPECT_EQ(test::readAll(name), before);
    }
    // A file that a running program holds is left alone.
    QLockFile running(file + QStringLiteral(".lock"));
    ASSERT_TRUE(running.tryLock());
    const Finished held = run({QStringLiteral("restore"), file});
    EXPECT_EQ(held.status, 1);
    EXPECT_EQ(held.err, QStringLiteral("文件“%1”正被本程序使用，没有改动它。\n").arg(file));
    EXPECT_EQ(test::readAll(file), transformed);
}

TEST_F(CliTest, ADatabaseInUseGivesStatusOneAndInfoStillReadsIt) {
    const QString county = databaseOf(QStringLiteral("county.mdb"), {110101000001});
    db::Connection other;
    other.open(county, db::Access::Exclusive);
    const Finished check = run({QStringLiteral("--db"), county, QStringLiteral("check")});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.err, QStringLiteral("数据库文件正被其他程序使用，请先关闭其他程序后再打开。\n"));
    const Finished info = run({QStringLiteral("--db"), county, QStringLiteral("info")});
    EXPECT_EQ(info.status, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains(QStringLiteral("记录数\t1")));
}

// A run killed at any moment leaves nothing in the destination's folder but,
// at most, the finished file; the plain text of the report never appears.
TEST_F(CliTest, AKilledRunLeavesNothingButTheFinishedFile) {
    ASSERT_TRUE(QFile::copy(test::builtProgramFolder() + summary::summaryTemplateName(),
                            programDir() + summary::summaryTemplateName()));
    const QString county = databaseOf(QStringLiteral("county.mdb"), {});
    test::executeRaw(county, QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<4000) "
                                            "INSERT INTO dt_data(c901,c902,c904,c907,z001,RecordState) "
                                            "SELECT 110101000000+i,'单位'||i,10,1,i,1 FROM n;"));
    const QString out = path(QStringLiteral("out"));
    QDir().mkpath(out);
    const QList<std::pair<QStringList, QString>> runs{
        {{QStringLiteral("export"), QStringLiteral("--label"), QStringLiteral("东城区")}, QStringLiteral("up.dat")},
        {{QStringLiteral("report")}, QStringLiteral("report.dat")},
        {{QStringLiteral("summary"), QStringLiteral("--by"), QStringLiteral("level")}, QStringLiteral("汇总.xlsx")}};
    for (const auto& [arguments, name] : runs) {
        const QStringList command = QStringList{QStringLiteral("--db"), county, QStringLiteral("--yes")} + arguments + QStringList{out + u'/' + name};
        QElapsedTimer whole;
        whole.start();
        ASSERT_EQ(run(command).status, 0) << name.toStdString();
        const qint64 duration = whole.elapsed();
        for (int point = 0; point < 6; ++point) {
            QFile::remove(out + u'/' + name);
            QProcess process;
            process.start(programDir() + QStringLiteral("varnel-survey-cli"), command);
            ASSERT_TRUE(process.waitForStarted());
            QThread::msleep(quint64(duration * point / 6));
            process.kill();
            process.waitForFinished();
            const QStringList left = QDir(out).entryList(QDir::Files | QDir::Hidden);
            EXPECT_TRUE(left.isEmpty() || left == QStringList{name}) << name.toStdString() << ": " << left.join(u',').toStdString();
        }
        QFile::remove(out + u'/' + name);
    }
}

} // namespace

TEST_F(CliTest, SummaryWritesTheChosenTablesAtTheGivenPath) {
    ASSERT_TRUE(QFile::copy(test::builtProgramFolder() + summary::summaryTemplateName(),
                            programDir() + summary::summaryTemplateName()));
    const QString county = databaseOf(QStringLiteral("county.mdb"), {110101000001, 110101000002});
    const QString out = path(QStringLiteral("汇总.xlsx"));
    const QStringList arguments{QStringLiteral("--db"), county, QStringLiteral("summary"), QStringLiteral("--by"),
                                QStringLiteral("level"), QStringLiteral("--tables"), QStringLiteral("2,21"), out};
    Finished result = run(arguments);
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, out + u'\n');
    EXPECT_EQ(workbook::Workbook::open(out).sheetCount(), 2);

    // An existing file is replaced only when asked to.
    const QByteArray first = test::readAll(out);
    result = run(arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.err.contains(QStringLiteral("--yes"))) << result.err.toStdString();
    EXPECT_EQ(test::readAll(out), first);
    result = run(QStringList{QStringLiteral("--yes")} + arguments);
    EXPECT_EQ(result.status, 0) << result.err.toStdString();

    const Finished noGrouping = run({QStringLiteral("--db"), county, QStringLiteral("summary"), QStringLiteral("--by=group=99"),
                                     path(QStringLiteral("分组.xlsx"))});
    EXPECT_EQ(noGrouping.status, 2);
    EXPECT_TRUE(noGrouping.err.startsWith(QStringLiteral("没有编号为99的数据分组。"))) << noGrouping.err.toStdString();
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("分组.xlsx"))));

    // A file named relative to the current folder is printed with its whole path.
    result = run({QStringLiteral("--db=") + county, QStringLiteral("summary"), QStringLiteral("--by=level"), QStringLiteral("相对.xlsx")},
                 path(QString()));
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, QDir::cleanPath(path(QStringLiteral("相对.xlsx"))) + u'\n');
    // A grouping without items is a bad argument too: nothing is written.
    {
        db::Connection connection;
        connection.open(county);
        connection.execute(QStringLiteral("INSERT INTO ct_group(id, name, orderstr) VALUES(5, '空分组', 'id ASC')"));
    }
    const QString empty = path(QStringLiteral("空.xlsx"));
    result = run({QStringLiteral("--db"), county, QStringLiteral("summary"), QStringLiteral("--by"), QStringLiteral("group=5"), empty});
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(result.err.startsWith(QStringLiteral("数据分组5没有数据项目，不能按它汇总。"))) << result.err.toStdString();
    EXPECT_FALSE(QFile::exists(empty));
}
