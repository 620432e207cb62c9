#include "exchange/ImportExchangeFile.h"

#include "ExchangeTestSupport.h"
#include "core/AutoBackup.h"
#include "support/DamagedFile.h"

namespace {

const QString kLongMessage = QStringLiteral(
    "导入过程中发生错误，准备导入的数据可能与现有的\n\r数据有重复的内容，详细的内容请参见文件：\n\r\n\r            数据导入编号冲突.txt。");

class ImportExchangeFileTest : public test::ExchangeDatabase {
protected:
    // An exchange file of `codes` (names "单位<n>") made by another office's export.
    QString exchangeFileOf(const QList<qint64>& codes, const QString& name = QStringLiteral("下级.dat"),
                           const QString& label = QStringLiteral("朝阳区总工会")) {
        const QString path = folder.path(name);
        test::writeExchangeFile(path, codes, label);
        return path;
    }
    qint64 records() { return count(QStringLiteral("select count(*) from dt_data")); }
    qint64 staged() { return count(QStringLiteral("select count(*) from dt_data_dt_data")); }
};

} // namespace

TEST_F(ImportExchangeFileTest, AddsEveryRecordAfterTheLabelIsConfirmedAndLeavesTheFileAlone) {
    const QString path = exchangeFileOf({110105000001, 110105000002});
    const QByteArray before = test::readAll(path);
    test::prompts().answers = {true};
    EXPECT_EQ(ImportExchangeFileAt(workingDatabase(), QStringLiteral("dt_data"), path), ImportOutcome::Imported);
    EXPECT_EQ(test::prompts().messages,
              (QStringList{QStringLiteral("确认准备导入标记声明为【朝阳区总工会】的数据么？"),
                           QStringLiteral("数据已经被正确地从'") + path + QStringLiteral("'导入！")}));
    EXPECT_EQ(test::prompts().askStyles, std::vector<ui::AskStyle>{ui::AskStyle::Warning});
    EXPECT_EQ(records(), 2);
    EXPECT_EQ(test::readAll(path), before);
    EXPECT_FALSE(QFile::exists(folder.path(QStringLiteral("temp.dat"))));

    // A plain backup file of the same records reads in place, at the first attempt.
    const QString backup = folder.path(QStringLiteral("备份.mdb"));
    db::CopyFileWhole(workingDatabase().path, backup);
    db().execute(QStringLiteral("delete from dt_data"));
    test::prompts().clear();
    test::prompts().answers = {true};
    EXPECT_EQ(ImportExchangeFileAt(workingDatabase(), QStringLiteral("dt_data"), backup), ImportOutcome::Imported);
    EXPECT_EQ(records(), 2);
}

TEST_F(ImportExchangeFileTest, ACodeThatExistsAddsNothingAndIsReported) {
    test::addRecord(110105000002, {{"RecordState", 1}});
    const QString path = exchangeFileOf({110105000001, 110105000002, 110105000003});
    test::prompts().answers = {true};
    EXPECT_EQ(ImportExchangeFileAt(workingDatabase(), QStringLiteral("dt_data"), path), ImportOutcome::Refused);
    EXPECT_EQ(test::prompts().messages.last(), kLongMessage);
    EXPECT_EQ(records(), 1);
    EXPECT_EQ(staged(), 1);
    EXPECT_EQ(opened, QStringList{ConflictReportPath()});
    EXPECT_EQ(decodeGb18030(test::readAll(ConflictReportPath())),
              QStringLiteral("在准备导入的文件中，如下的记录与现有的记录发生编号冲突\r\n") + QString(80, u'-')
                  + QStringLiteral("\r\n(110105000002,单位2)\r\n"));
}

TEST_F(ImportExchangeFileTest, AnImportThatAddsRecordsIsBackedUpFirst) {
    setAutoBackupsKept(10);
    test::addRecord(110105000002, {{"RecordState", 1}});
    // A file refused for its codes changes nothing and needs no backup.
    test::prompts().answers = {true};
    EXPECT_EQ(ImportExchangeFileAt(workingDatabase(), QStringLiteral("dt_data"), exchangeFileOf({110105000002})),
              ImportOutcome::Refused);
    EXPECT_TRUE(ListAutoBackups(db()).isEmpty());

    test::prompts().answers = {true};
    EXPECT_EQ(ImportExchangeFileAt(workingDatabase(), QStringLiteral("dt_data"), exchangeFileOf({110105000001}, QStringLiteral("新.dat"))),
              ImportOutcome::Imported);
    const QList<AutoBackup> backups = ListAutoBackups(db());
    ASSERT_EQ(backups.size(), 1);
    EXPECT_EQ(backups[0].step, QStringLiteral("数据导入"));
    EXPECT_EQ(backups[0].records, 1);
    EXPECT_EQ(records(), 2);
}

TEST_F(ImportExchangeFileTest, DecliningChangesNothing) {
    test::addRecord(110105000002, {{"RecordState", 1}});
    db().execute(QStringLiteral("insert into dt_data_dt_data(c901,c907) values(1,1)"));
    const QString path = exchangeFileOf({110105000001});
    EXPECT_EQ(ImportExchangeFileAt(workingDatabase(), QStringLiteral("dt_data"), path), ImportOutcome::Declined);
    EXPECT_EQ(records(), 1);
    EXPECT_EQ(staged(), 1);
}

TEST_F(ImportExchangeFileTest, UnusableFilesGetTheirMessageAndChangeNothing) {
    const auto importOnce = [&](const QString& path) {
        test::prompts().clear();
        test::prompts().answers = {true};
        const ImportOutcome outcome = ImportExchangeFileAt(workingDatabase(), QStringLiteral("dt_data"), path);
        EXPECT_EQ(records(), 0) << path.toStdString();
        return std::pair{outcome, test::prompts().messages};
    };
    EXPECT_EQ(importOnce(folder.path(QStringLiteral("none.dat"))),
              (std::pair{ImportOutcome::Failed, QStringList{QStringLiteral("您选择的文件并不存在，请选择其它文件。")}}));

    const QString garbage = folder.path(QStringLiteral("garbage.dat"));
    test::writeAll(garbage, QByteArray(4096, 'x'));
    EXPECT_EQ(importOnce(garbage), (std::pair{ImportOutcome::Failed, QStringList{QStringLiteral("文件格式错误,请重新选择！")}}));
    const QString tiny = folder.path(QStringLiteral("tiny.dat"));
    test::writeAll(tiny, QByteArray(100, '\0'));
    EXPECT_EQ(importOnce(tiny), (std::pair{ImportOutcome::Failed, QStringList{QStringLiteral("文件格式错误,请重新选择！")}}));

    // A view that calls itself dt_data is no table of records.
    const QString viewFile = folder.path(QStringLiteral("view.mdb"));
    {
        db::Connection file;
        db::Connection::createEmpty(viewFile);
        file.open(viewFile);
        file.executeScript(QStringLiteral("CREATE TABLE ct_label(db_name TEXT); CREATE VIEW dt_data AS SELECT 1 AS c901;"));
    }
    EXPECT_EQ(importOnce(viewFile),
              (std::pair{ImportOutcome::Failed, QStringList{QStringLiteral("您选择的文件中不存在名字为\"dt_data\"的数据表")}}));

    // Records of another layout cannot be read: refused after the confirmation.
    const QString otherLayout = folder.path(QStringLiteral("other.mdb"));
    {
        db::Connection file;
        db::Connection::createEmpty(otherLayout);
        file.open(otherLayout);
        file.executeScript(QStringLiteral("CREATE TABLE ct_label(db_name TEXT); INSERT INTO ct_label VALUES('x');"
                                          "CREATE TABLE dt_data(c901 INTEGER, c902 TEXT); INSERT INTO dt_data VALUES(1,'a');"));
    }
    const auto [outcome, messages] = importOnce(otherLayout);
    EXPECT_EQ(outcome, ImportOutcome::Refused);
    EXPECT_EQ(messages.last(), QStringLiteral("导入文件格式错误"));
}

TEST_F(ImportExchangeFileTest, TheCommandCompletesTheChosenNameByTheFilter) {
    const QString path = exchangeFileOf({110105000001});
    test::prompts().fileAnswers = {folder.path(QStringLiteral("下级"))};
    test::prompts().answers = {true};
    ImportExchangeFile(workingDatabase(), QStringLiteral("dt_data"));
    EXPECT_EQ(test::prompts().fileRequests[0].title, QStringLiteral("选择导入文件"));
    EXPECT_TRUE(test::prompts().fileRequests[0].multiple);
    EXPECT_EQ(records(), 1);
    EXPECT_EQ(test::prompts().messages.last(), QStringLiteral("数据已经被正确地从'") + path + QStringLiteral("'导入！"));

    // Cancelling the dialog changes nothing.
    test::prompts().clear();
    ImportExchangeFile(workingDatabase(), QStringLiteral("dt_data"));
    EXPECT_TRUE(test::prompts().messages.isEmpty());
}

TEST_F(ImportExchangeFileTest, SeveralFilesAreConfirmedOnceImportedInTurnAndReportedTogether) {
    test::addRecord(110105000002, {{"RecordState", 1}});
    const QString label = QStringLiteral("东城区'总工会\"𠮷");
    const QString first = exchangeFileOf({110101000001, 110101000002}, QStringLiteral("a.dat"), label);
    const QString existing = exchangeFileOf({110105000001, 110105000002}, QStringLiteral("b.dat"));
    // Conflicts with a record the first file has just added.
    const QString late = exchangeFileOf({110108000001, 110101000002}, QStringLiteral("c.dat"), QStringLiteral("海淀区总工会"));
    const QString garbage = folder.path(QStringLiteral("garbage.dat"));
    test::writeAll(garbage, QByteArray(4096, 'x'));
    const QString last = exchangeFileOf({110108000002}, QStringLiteral("d.dat"), QStringLiteral("丰台区总工会"));
    test::prompts().answers = {true};

    const ImportCounts counts =
        ImportExchangeFilesAt(workingDatabase(), QStringLiteral("dt_data"), {first, existing, late, garbage, last});
    EXPECT_EQ(counts.imported, 2);
    EXPECT_EQ(counts.refused, 2);
    EXPECT_EQ(counts.unreadable, QStringList{garbage});
    EXPECT_EQ(test::prompts().messages,
              (QStringList{QStringLiteral("确认准备导入以下4个文件的数据么？\n\na.dat：标记声明为【") + label
                               + QStringLiteral("】，2条记录\nb.dat：标记声明为【朝阳区总工会】，2条记录\n"
                                                "c.dat：标记声明为【海淀区总工会】，2条记录\nd.dat：标记声明为【丰台区总工会】，1条记录\n"
                                                "garbage.dat：文件格式错误，不能导入"),
                           QStringLiteral("共5个文件：导入了2个，因编号冲突没有导入2个，不能读取1个。\n\n发生编号冲突的记录请参见文件：\n"
                                          "            数据导入编号冲突.txt\n\n不能读取的文件：garbage.dat")}));
    EXPECT_EQ(db().scalar(QStringLiteral("select group_concat(c901) from (select c901 from dt_data order by c901)")).toString(),
              QStringLiteral("110101000001,110101000002,110105000002,110108000002"));
    EXPECT_EQ(opened, QStringList{ConflictReportPath()});
    const QString heading = QStringLiteral("在准备导入的文件中，如下的记录与现有的记录发生编号冲突\r\n") + QString(80, u'-');
    EXPECT_EQ(decodeGb18030(test::readAll(ConflictReportPath())),
              QStringLiteral("文件：") + existing + QStringLiteral("\r\n") + heading + QStringLiteral("\r\n(110105000002,单位2)\r\n\r\n")
                  + QStringLiteral("文件：") + late + QStringLiteral("\r\n") + heading + QStringLiteral("\r\n(110101000002,单位2)\r\n"));
    EXPECT_FALSE(QFile::exists(folder.path(QStringLiteral("temp.dat"))));
}

TEST_F(ImportExchangeFileTest, SeveralFilesDeclinedOrAllUnreadableChangeNothing) {
    test::addRecord(110105000002, {{"RecordState", 1}});
    const QStringList files{exchangeFileOf({110101000001}, QStringLiteral("a.dat")),
                            exchangeFileOf({110105000002}, QStringLiteral("b.dat"))};
    const ImportCounts declined = ImportExchangeFilesAt(workingDatabase(), QStringLiteral("dt_data"), files);
    EXPECT_TRUE(declined.declined);
    EXPECT_FALSE(declined.mustRequery());
    EXPECT_EQ(test::prompts().messages.size(), 1);
    EXPECT_EQ(records(), 1);
    EXPECT_TRUE(opened.isEmpty());

    // A record with text in a number field makes its file unreadable when it is copied; nothing else is there.
    test::prompts().clear();
    test::prompts().answers = {true};
    const QString badRecord = folder.copyOfSystemDataFile(QStringLiteral("bad.mdb"));
    test::executeRaw(badRecord, QStringLiteral("INSERT INTO ct_label(db_name) VALUES('x'); INSERT INTO dt_data(c901,c902,z001) VALUES(110101000009,'甲','hello');"));
    const ImportCounts unreadable = ImportExchangeFilesAt(
        workingDatabase(), QStringLiteral("dt_data"), {folder.path(QStringLiteral("none.dat")), folder.path(QStringLiteral("x.mdb")), badRecord});
    EXPECT_EQ(unreadable.unreadable.size(), 3);
    EXPECT_EQ(test::prompts().messages.last(),
              QStringLiteral("共3个文件：导入了0个，因编号冲突没有导入0个，不能读取3个。\n\n不能读取的文件：none.dat、x.mdb、bad.mdb"));
    EXPECT_EQ(records(), 1);
}
