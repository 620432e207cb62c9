#include "exchange/ImportExchangeFile.h"

#include "ExchangeTestSupport.h"
#include "support/DamagedFile.h"

#include <QDir>
#include <functional>

// What a sender's file or a fault injected at each step does to the import of
// one file: whatever breaks, dt_data keeps exactly the rows it had, the chosen
// file stays as it was, and an error message names the cause.

namespace {

const QString kFormatError = QStringLiteral("文件格式错误,请重新选择！");

// Codes of the sending office; 110105000002 is also in the working database.
const QList<qint64> kNewCodes{110105000001, 110105000003, 110105000004};
const QList<qint64> kConflictingCodes{110105000001, 110105000002, 110105000003};

class ImportFailureTest;

struct FailureCase {
    const char* name;
    // Breaks something and returns the file to import.
    std::function<QString(ImportFailureTest&)> inject;
    // The first message that names the failure; a text ending in "…" is a beginning.
    QString message;
    // The import runs with the file rights of an ordinary user, not root's.
    bool asOrdinaryUser = false;
};

void PrintTo(const FailureCase& failure, std::ostream* out) { *out << failure.name; }

class ImportFailureTest : public test::ExchangeDatabase, public ::testing::WithParamInterface<FailureCase> {
public:
    // A sealed, transformed exchange file of `codes`.
    QString exchangeFile(const QList<qint64>& codes) {
        const QString path = folder.path(QStringLiteral("下级.dat"));
        test::writeExchangeFile(path, codes, QStringLiteral("朝阳区总工会"));
        return path;
    }
    // A plain backup file of `codes`, after `sql` ran on it with its schema writable.
    QString backupFile(const QList<qint64>& codes, const QString& sql = {}) {
        const QString path = folder.copyOfSystemDataFile(QStringLiteral("备份.mdb"));
        QStringList rows;
        for (qint64 code : codes) rows << QStringLiteral("(%1,'单位%2',1,1)").arg(code).arg(code % 1000);
        test::executeRaw(path, QStringLiteral("INSERT INTO dt_data(c901,c902,c907,RecordState) VALUES %1;").arg(rows.join(u','))
                                   + QStringLiteral("INSERT INTO ct_label(db_name) SELECT '朝阳区总工会' WHERE NOT EXISTS "
                                                    "(SELECT 1 FROM ct_label);")
                                   + sql);
        return path;
    }
    // Runs SQL on the working database, where triggers and limits live.
    void onWorkingDatabase(const QString& sql) { db().executeScript(sql); }
    QString programFile(const QString& name) { return folder.path(name); }

protected:
    QString rows() {
        return db().scalar(QStringLiteral("select group_concat(c901 || ':' || ifnull(c902,'') || ':' || ifnull(RecordState,''), ';') "
                                          "from (select * from dt_data order by c901)"))
            .toString();
    }
};

// The file's dt_data with c901 as a plain column, as a hostile sender may make it.
const QString kPlainCodeColumn = QStringLiteral(
    "PRAGMA legacy_alter_table=ON; CREATE TABLE copy AS SELECT * FROM dt_data; DROP TABLE dt_data; "
    "ALTER TABLE copy RENAME TO dt_data;");
const QString kBadRecord = QStringLiteral("导入文件格式错误：第2条记录（编码");
const QString kStopped = QStringLiteral("导入没有完成，没有导入任何记录：");

// Many records in the file, so that a damaged row lies well inside the table.
QList<qint64> manyNewCodes() {
    QList<qint64> codes;
    for (qint64 i = 1; i <= 3000; ++i) codes << 110106000000 + i;
    return codes;
}

const FailureCase kCases[] = {
    {"TheChosenFileCannotBeRead",
     [](ImportFailureTest& t) {
         const QString path = t.exchangeFile(kNewCodes);
         // Others may look into the folder, but not into the file.
         QFile::setPermissions(t.programFile(QString()), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                             | QFile::ReadOther | QFile::ExeOther);
         QFile::setPermissions(path, QFileDevice::Permissions());
         return path;
     },
     QStringLiteral("运行中发生错误：无法打开文件…"), true},
    {"TheWorkingCopyCannotBeWritten",
     [](ImportFailureTest& t) {
         QDir().mkpath(t.programFile(QStringLiteral("temp.dat")));
         return t.exchangeFile(kNewCodes);
     },
     QStringLiteral("运行中发生错误：…")},
    {"ASealedFileWithAChangedByte",
     [](ImportFailureTest& t) {
         const QString path = t.exchangeFile(kNewCodes);
         QByteArray bytes = test::readAll(path);
         bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x40);
         test::writeAll(path, bytes);
         return path;
     },
     kFormatError},
    {"ACutOffFile",
     [](ImportFailureTest& t) {
         const QString path = t.exchangeFile(kNewCodes);
         test::writeAll(path, test::readAll(path).left(3000));
         return path;
     },
     kFormatError},
    {"ADamagedPage",
     [](ImportFailureTest& t) {
         const QString path = t.backupFile(manyNewCodes());
         const QList<int> leaves = test::leafPages(path, QStringLiteral("dt_data"));
         test::overwritePage(path, leaves[leaves.size() / 2], 0, QByteArray(64, '\x7f'));
         return path;
     },
     kFormatError},
    {"ALabelTableThatIsAView",
     [](ImportFailureTest& t) {
         return t.backupFile(kNewCodes, QStringLiteral("DROP TABLE ct_label; CREATE VIEW ct_label AS SELECT 'x' AS db_name;"));
     },
     kFormatError},
    {"NoLabelTable",
     [](ImportFailureTest& t) { return t.backupFile(kNewCodes, QStringLiteral("DROP TABLE ct_label;")); },
     kFormatError},
    {"ALabelTableWithoutItsColumn",
     [](ImportFailureTest& t) {
         return t.backupFile(kNewCodes,
                             QStringLiteral("DROP TABLE ct_label; CREATE TABLE ct_label(other TEXT); INSERT INTO ct_label VALUES('x');"));
     },
     kFormatError},
    {"RecordsOfAnotherLayout",
     [](ImportFailureTest& t) {
         return t.backupFile(kNewCodes, QStringLiteral("ALTER TABLE dt_data ADD COLUMN extra INTEGER;"));
     },
     QStringLiteral("导入文件格式错误")},
    {"ARowThatCannotBeReadMidway",
     [](ImportFailureTest& t) {
         const QString path = t.backupFile(manyNewCodes());
         const QList<int> leaves = test::leafPages(path, QStringLiteral("dt_data"));
         test::damageFirstRowOfLeaf(path, leaves[leaves.size() * 9 / 10]);
         return path;
     },
     kFormatError},
    {"AValueTooLongToReadMidway",
     [](ImportFailureTest& t) {
         return t.backupFile(manyNewCodes(), QStringLiteral("UPDATE dt_data SET c902=zeroblob(2000000) WHERE c901=110106001500;"));
     },
     QStringLiteral("导入文件格式错误")},
    // Every record is checked against the field list before one is copied.
    {"ARecordWithoutCode",
     [](ImportFailureTest& t) {
         return t.backupFile(kNewCodes, kPlainCodeColumn + QStringLiteral("UPDATE dt_data SET c901=NULL WHERE c901=110105000003;"));
     },
     kBadRecord + QStringLiteral("空）的“统计编码”（c901）不是12位以内的整数。")},
    {"ACodeOfThirteenDigits",
     [](ImportFailureTest& t) {
         return t.backupFile(kNewCodes, QStringLiteral("UPDATE dt_data SET c901=1101050000030 WHERE c901=110105000003;"));
     },
     // The code is the row's number: the changed record comes last.
     QStringLiteral("导入文件格式错误：第3条记录（编码1101050000030）的“统计编码”（c901）不是12位以内的整数。")},
    {"TextInANumberField",
     [](ImportFailureTest& t) {
         return t.backupFile(kNewCodes, QStringLiteral("UPDATE dt_data SET z001='hello' WHERE c901=110105000003;"));
     },
     kBadRecord + QStringLiteral("110105000003）的“所辖工会在职会员(人)”（z001）不是整数。")},
    {"BytesInAName",
     [](ImportFailureTest& t) {
         return t.backupFile(kNewCodes, QStringLiteral("UPDATE dt_data SET c902=X'00FF41' WHERE c901=110105000003;"));
     },
     kBadRecord + QStringLiteral("110105000003）的“工会名称”（c902）不是文字。")},
    {"ACodeTwiceInTheFile",
     [](ImportFailureTest& t) {
         return t.backupFile(kNewCodes, kPlainCodeColumn + QStringLiteral("UPDATE dt_data SET c901=110105000001 WHERE c901=110105000004;"));
     },
     QStringLiteral("导入文件格式错误：文件中编码110105000001的记录有2条。")},
    {"TheDatabaseRefusesARecordMidway",
     [](ImportFailureTest& t) {
         t.onWorkingDatabase(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON dt_data WHEN new.c901=110105000004 "
                                            "BEGIN SELECT RAISE(ABORT, '拒绝'); END;"));
         return t.exchangeFile(kNewCodes);
     },
     QStringLiteral("导入文件格式错误")},
    {"TheStagingTableRefusesARecord",
     [](ImportFailureTest& t) {
         t.onWorkingDatabase(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON dt_data_dt_data WHEN new.c901=110105000003 "
                                            "BEGIN SELECT RAISE(ABORT, '拒绝'); END;"));
         return t.exchangeFile(kConflictingCodes);
     },
     QStringLiteral("导入文件格式错误")},
    {"TheDatabaseIsReadOnly",
     [](ImportFailureTest& t) {
         t.onWorkingDatabase(QStringLiteral("PRAGMA query_only=1;"));
         return t.exchangeFile(kNewCodes);
     },
     kStopped + u'…'},
    {"TheDiskIsFull",
     [](ImportFailureTest& t) {
         // The database may not grow by a single page.
         t.onWorkingDatabase(QStringLiteral("PRAGMA max_page_count=1;"));
         return t.exchangeFile(manyNewCodes());
     },
     kStopped + QStringLiteral("磁盘已满…")},
    {"TheConflictReportCannotBeWritten",
     [](ImportFailureTest& t) {
         // TEMP names a file, so nothing can be created under it.
         test::writeAll(t.programFile(QStringLiteral("not-a-folder")), "x");
         qputenv("TEMP", QFile::encodeName(t.programFile(QStringLiteral("not-a-folder"))));
         return t.exchangeFile(kConflictingCodes);
     },
     QStringLiteral("没有导入任何记录：准备导入的数据与现有的数据有重复的编号，但冲突记录没有能写入文件“数据导入编号冲突.txt”…")},
};

} // namespace

TEST_P(ImportFailureTest, LeavesTheRecordsAsTheyWere) {
    test::addRecord(110105000002, {{"RecordState", 1}});
    test::addRecord(110101000001, {{"RecordState", 2}});
    const QString before = rows();
    const QByteArray savedTemp = qgetenv("TEMP");
    const QString path = GetParam().inject(*this);
    const QByteArray chosen = test::readAll(path);
    test::prompts().answers = {true};

    const auto import = [&] { ImportExchangeFileAt(workingDatabase(), QStringLiteral("dt_data"), path); };
    if (GetParam().asOrdinaryUser) test::asOrdinaryUser(import);
    else import();
    qputenv("TEMP", savedTemp);
    db().execute(QStringLiteral("PRAGMA query_only=0"));

    EXPECT_EQ(rows(), before);
    const QString expected = GetParam().message;
    const QStringList& messages = test::prompts().errors;
    const bool shown = std::any_of(messages.begin(), messages.end(), [&](const QString& m) {
        return expected.endsWith(u'…') ? m.startsWith(expected.chopped(1)) : m == expected;
    });
    EXPECT_TRUE(shown) << messages.join(u'\n').toStdString();
    EXPECT_EQ(test::readAll(path), chosen);
}

INSTANTIATE_TEST_SUITE_P(EachStep, ImportFailureTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<FailureCase>& each) { return std::string(each.param.name); });
