#include "db/Connection.h"
#include "db/Maintenance.h"
#include "db/Statement.h"
#include "support/DamagedFile.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

using namespace db;

namespace {

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = folder.copyOfSystemDataFile();
        connection.open(path);
    }
    test::TempFolder folder;
    QString path;
    Connection connection;
};

} // namespace

TEST_F(ConnectionTest, TwelveDigitCodesStayExactThroughStorageMaxAndFormatting) {
    const qint64 code = 999999999998;  // the largest codes lose digits in a float of single precision
    connection.execute(QStringLiteral("INSERT INTO dt_data(c901, c902) VALUES (?, ?)"), {code, QStringLiteral("甲")});
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT c901 FROM dt_data")).toLongLong(), code);
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT MAX(c901)+1 as NSI FROM dt_data")).toLongLong(), code + 1);

    // Ranges are written into SQL text with "%f".
    const QString low = QString::asprintf("%f", double(code));
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT count(*) FROM dt_data WHERE c901 >= ") + low
                                + QStringLiteral(" AND c901 <= ") + low)
                  .toInt(),
              1);
    // A code read back as a float still prints as its 12 digits.
    EXPECT_EQ(variantToText(QVariant(double(code))), QStringLiteral("999999999998"));
}

TEST_F(ConnectionTest, EmptyTableProposesNoCode) {
    EXPECT_TRUE(connection.scalar(QStringLiteral("SELECT MAX(c901)+1 as NSI FROM dt_data")).isNull());
}

TEST_F(ConnectionTest, TableNamesIgnoreCaseAndLeaveOutTheEnginesOwnTables) {
    for (const char* name : {"dt_fieldlist", "DT_FieldList", "dt_FieldList", "VIEW_DATA_ALL"})
        EXPECT_TRUE(TableExists(connection, QLatin1String(name))) << name;
    EXPECT_FALSE(TableExists(connection, QStringLiteral("no_such_table")));
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT count(*) FROM DT_FIELDLIST")),
              connection.scalar(QStringLiteral("SELECT count(*) FROM dt_fieldlist")));
    // CT_Group numbers its rows automatically, which makes the engine keep a table of its own.
    connection.execute(QStringLiteral("INSERT INTO CT_Group(Name) VALUES ('x')"));
    for (const QString& name : connection.tableNames()) EXPECT_FALSE(name.startsWith(QLatin1String("sqlite_"))) << name.toStdString();
}

TEST_F(ConnectionTest, TextWithQuotesIsStoredAndReadBackUnchanged) {
    const QString name = QStringLiteral("O'Brien \"工会\" `x` ; DROP TABLE dt_data; --");
    connection.execute(QStringLiteral("INSERT INTO dt_data(c901, c902) VALUES (1, ?)"), {name});
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT c902 FROM dt_data WHERE c901=1")).toString(), name);
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT count(*) FROM dt_data WHERE c902=?"), {name}).toInt(), 1);
    EXPECT_EQ(quoteIdentifier(QStringLiteral("a\"b")), QStringLiteral("\"a\"\"b\""));
}

TEST_F(ConnectionTest, IntRoundsDownAndWorksInsideStoredViews) {
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT int(2.7)")).toLongLong(), 2);
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT int(-2.5)")).toLongLong(), -3);
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT int(7)")).toLongLong(), 7);
    EXPECT_TRUE(connection.scalar(QStringLiteral("SELECT int(NULL)")).isNull());
    EXPECT_THROW(connection.scalar(QStringLiteral("SELECT int('abc')")), Error);
    // A file's own view may call it although the schema is not trusted.
    connection.execute(QStringLiteral("CREATE VIEW halves AS SELECT int(c901 / 2.0) AS h FROM dt_data"));
    connection.execute(QStringLiteral("INSERT INTO dt_data(c901) VALUES (5)"));
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT h FROM halves")).toLongLong(), 2);
    // Comparisons are 1 for true; iif is there.
    EXPECT_EQ(connection.scalar(QStringLiteral("select 0 + 0 > 0 as rt")).toInt(), 0);
    EXPECT_EQ(connection.scalar(QStringLiteral("select NOT (5 <= 3) as rt")).toInt(), 1);
    EXPECT_EQ(connection.scalar(QStringLiteral("select iif(1 > 0, 'y', 'n')")).toString(), QStringLiteral("y"));
}

TEST_F(ConnectionTest, AFailedOperationLeavesNothingBehind) {
    try {
        Transaction transaction(connection);
        connection.execute(QStringLiteral("INSERT INTO dt_data(c901) VALUES (1)"));
        connection.execute(QStringLiteral("INSERT INTO dt_data(c901) VALUES (1)"));  // duplicate code
        transaction.commit();
        FAIL() << "a duplicate code was accepted";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("UNIQUE"))) << e.what();
    }
    EXPECT_FALSE(connection.inTransaction());
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT count(*) FROM dt_data")).toInt(), 0);
}

TEST_F(ConnectionTest, ParametersMustMatchTheStatement) {
    EXPECT_THROW(connection.execute(QStringLiteral("SELECT ?"), {}), Error);
    Statement byName(connection, QStringLiteral("SELECT * from dt_data Where c901=:ReocrdID"));
    connection.execute(QStringLiteral("INSERT INTO dt_data(c901, c902) VALUES (7, 'x')"));
    byName.bind(QStringLiteral(":ReocrdID"), 7);
    ASSERT_TRUE(byName.next());
    EXPECT_EQ(byName.text(byName.columnIndex(QStringLiteral("C902"))), QStringLiteral("x"));
    EXPECT_THROW(byName.columnIndex(QStringLiteral("nope")), Error);
}

TEST_F(ConnectionTest, ReadOnlyConnectionsNeverWrite) {
    connection.close();
    connection.open(path, Access::ReadOnly);
    EXPECT_THROW(connection.execute(QStringLiteral("DELETE FROM DT_FieldList")), Error);
    EXPECT_GT(connection.scalar(QStringLiteral("SELECT count(*) FROM DT_FieldList")).toInt(), 0);
}

TEST_F(ConnectionTest, AnExclusiveConnectionKeepsOthersOut) {
    connection.close();
    Connection exclusive;
    exclusive.open(path, Access::Exclusive);
    Connection other;
    EXPECT_THROW(other.open(path), Error);
    exclusive.close();
    other.open(path);
    EXPECT_TRUE(other.isOpen());
}

TEST_F(ConnectionTest, AttachesAnotherFileForCopyingRows) {
    const QString otherPath = folder.copyOfSystemDataFile(QStringLiteral("other.mdb"));
    connection.execute(QStringLiteral("INSERT INTO dt_data(c901, c902) VALUES (11, 'a'), (12, 'b')"));
    connection.attach(otherPath, QStringLiteral("other"));
    connection.execute(QStringLiteral("INSERT INTO other.dt_data SELECT * FROM dt_data"));
    connection.detach(QStringLiteral("other"));

    Connection other;
    other.open(otherPath);
    EXPECT_EQ(other.scalar(QStringLiteral("SELECT count(*) FROM dt_data")).toInt(), 2);
    EXPECT_THROW(connection.attach(otherPath, QStringLiteral("x; DROP TABLE dt_data")), Error);
}

TEST(DamagedFile, GivesAnErrorNotACrash) {
    test::TempFolder folder;
    const QByteArray good = test::readAll(test::builtSystemDataFile());
    ASSERT_GT(good.size(), 20000);

    const QString garbage = folder.path(QStringLiteral("garbage.mdb"));
    test::writeAll(garbage, QByteArray(8192, 'x'));
    Connection c;
    EXPECT_THROW(c.open(garbage), Error);
    EXPECT_FALSE(c.isOpen());

    const QString empty = folder.path(QStringLiteral("empty.mdb"));
    test::writeAll(empty, QByteArray());
    EXPECT_THROW({
        c.open(empty, Access::ReadOnly);
        c.verify({QStringLiteral("dt_data")});
    }, Error);
    c.close();

    // Cut short, or overwritten in the middle: opening may work, checking must fail.
    for (const QByteArray& damaged : {good.left(good.size() / 3), good.left(4096) + QByteArray(good.size() - 4096, '\xA5')}) {
        const QString path = folder.path(QStringLiteral("damaged.mdb"));
        test::writeAll(path, damaged);
        EXPECT_THROW({
            Connection d;
            d.open(path, Access::ReadOnly);
            d.verify({QStringLiteral("dt_data"), QStringLiteral("ct_label")});
            d.scalar(QStringLiteral("SELECT count(*) FROM DT_FieldList"));
            d.scalar(QStringLiteral("SELECT count(*) FROM CT_CityName"));
        }, Error);
    }

    const QString missing = folder.path(QStringLiteral("missing.mdb"));
    EXPECT_THROW(c.open(missing), Error);
    EXPECT_FALSE(QFile::exists(missing));
}

TEST(DamagedFile, VerifyNamesAMissingTable) {
    test::TempFolder folder;
    const QString path = folder.path(QStringLiteral("new.mdb"));
    Connection::createEmpty(path);
    EXPECT_EQ(test::readAll(path).left(16), QByteArray("SQLite format 3\0", 16));
    EXPECT_THROW(Connection::createEmpty(path), Error);
    Connection c;
    c.open(path, Access::ReadOnly);
    try {
        c.verify({QStringLiteral("dt_data")});
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("文件中缺少数据表：dt_data"));
    }
}

TEST(DamagedFile, ARequiredTableMustBeATableNotAView) {
    test::TempFolder folder;
    const QString path = folder.copyOfSystemDataFile();
    test::executeRaw(path, QStringLiteral("DROP TABLE ct_label; CREATE VIEW ct_label AS SELECT 'x' AS db_name"));
    Connection c;
    c.open(path, Access::ReadOnly);
    c.verify({QStringLiteral("dt_data")});
    try {
        c.verify({QStringLiteral("dt_data"), QStringLiteral("CT_LABEL")});
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("文件中缺少数据表：CT_LABEL"));
    }
}

// A file in write-ahead-log mode, in a folder nobody may write to, as on a CD.
TEST(FileFromElsewhere, IsReadWithoutWritingAnythingBesideIt) {
    test::TempFolder folder;
    const QString path = folder.copyOfSystemDataFile();
    test::executeRaw(path, QStringLiteral("PRAGMA journal_mode=WAL; INSERT INTO dt_data(c901, c902) VALUES (1, '甲')"));
    ASSERT_EQ(test::readAll(path).at(18), 2) << "the file is in write-ahead-log mode";
    const QByteArray before = test::readAll(path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther);
    QFile::setPermissions(folder.path(QString()), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    test::asOrdinaryUser([&] {
        Connection c;
        c.open(path, Access::ReadOnly);
        EXPECT_EQ(c.scalar(QStringLiteral("SELECT c902 FROM dt_data WHERE c901=1")).toString(), QStringLiteral("甲"));
        EXPECT_THROW(c.execute(QStringLiteral("DELETE FROM dt_data")), Error);
    });
    test::TempFolder working;
    Connection other;
    other.open(working.copyOfSystemDataFile());
    other.attach(path, QStringLiteral("sent"), {}, true);
    EXPECT_EQ(other.scalar(QStringLiteral("SELECT count(*) FROM sent.dt_data")).toInt(), 1);
    other.detach(QStringLiteral("sent"));
    QFile::setPermissions(folder.path(QString()), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(QDir(folder.path(QString())).entryList(QDir::Files), QStringList{QStringLiteral("survey.mdb")});
    EXPECT_EQ(test::readAll(path), before);
}

TEST(FileFromElsewhere, AViewThatNeverEndsOrGrowsWithoutBoundGivesTheFormatError) {
    test::TempFolder folder;
    const QString path = folder.copyOfSystemDataFile();
    test::executeRaw(path, QStringLiteral(
        "CREATE VIEW endless AS WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r) SELECT n FROM r ORDER BY n;"
        "CREATE VIEW huge AS SELECT hex(zeroblob(1000000)) AS v"));
    Connection c;
    c.open(path, Access::ReadOnly);
    try {
        StatementTimeLimit shortLimit(c, 300);
        c.scalar(QStringLiteral("SELECT count(*) FROM endless"));
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("文件格式错误（读取超出时间限度）"));
    }
    try {
        c.scalar(QStringLiteral("SELECT length(v) FROM huge"));
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("文件格式错误（数据项超出长度限度）"));
    }
    // Ordinary reads go on.
    EXPECT_GT(c.scalar(QStringLiteral("SELECT count(*) FROM DT_FieldList")).toInt(), 200);
}

TEST(DamagedFile, AFileThatCanOnlyBeReadFailsToOpenForWriting) {
    test::TempFolder folder;
    const QString path = folder.copyOfSystemDataFile();
    QFile::setPermissions(folder.path(QString()), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther);
    test::asOrdinaryUser([&] {
        Connection c;
        EXPECT_THROW(c.open(path), Error);
        EXPECT_FALSE(c.isOpen());
        c.open(path, Access::ReadOnly);
        EXPECT_TRUE(c.isOpen());
    });
}

TEST_F(ConnectionTest, SoleUseIsRefusedWhileAnotherConnectionHoldsTheFile) {
    connection.requireSoleUse();
    Connection other;
    other.open(path);
    other.executeScript(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        connection.requireSoleUse();
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("数据库文件正被其他程序使用，请先关闭其他程序"));
    }
    EXPECT_FALSE(connection.inTransaction());
    other.rollback();
    connection.requireSoleUse();
}
