#include "ExchangeTestSupport.h"

#include <QVariant>

namespace {

// 1024 header bytes holding every byte value four times, then a tail.
QByteArray everyByteValue() {
    QByteArray bytes;
    for (int i = 0; i < kExchangeHeaderSize; ++i) bytes += char(i % 256);
    return bytes + QByteArray("tail stays as it is");
}

} // namespace

TEST(ExchangeHeader, TransformAndRestoreGiveBackEveryByteAndLeaveTheTail) {
    test::TempFolder folder;
    const QString path = folder.path(QStringLiteral("x.dat"));
    const QByteArray original = everyByteValue();
    test::writeAll(path, original);

    TransformExchangeHeader(path);
    const QByteArray transformed = test::readAll(path);
    EXPECT_EQ(quint8(transformed[0]), 0x05);
    EXPECT_EQ(quint8(transformed[0xFF]), quint8(((0xFF + 2) % 256) ^ 7));
    EXPECT_EQ(transformed.mid(kExchangeHeaderSize), original.mid(kExchangeHeaderSize));

    RestoreExchangeHeader(path);
    EXPECT_EQ(test::readAll(path), original);
    // A plain file (first byte 0x00) is not touched by a second restore.
    RestoreExchangeHeader(path);
    EXPECT_EQ(test::readAll(path), original);

    // A missing file is left alone without error.
    EXPECT_NO_THROW(TransformExchangeHeader(folder.path(QStringLiteral("none.dat"))));
    EXPECT_NO_THROW(RestoreExchangeHeader(folder.path(QStringLiteral("none.dat"))));
    EXPECT_FALSE(QFile::exists(folder.path(QStringLiteral("none.dat"))));
}

TEST(ExchangeHeader, TheSecondFormGetsOnlyTheEngineSignatureBack) {
    test::TempFolder folder;
    const QString path = folder.path(QStringLiteral("f.dat"));
    QByteArray bytes = everyByteValue();
    bytes[0] = 'f';
    test::writeAll(path, bytes);
    RestoreExchangeHeader(path);
    const QByteArray restored = test::readAll(path);
    EXPECT_EQ(restored.left(16), QByteArrayLiteral("SQLite format 3\0"));
    EXPECT_EQ(restored.mid(16), bytes.mid(16));

    // A plain database file in that form is whole again.
    const QString database = folder.copyOfSystemDataFile(QStringLiteral("plain.dat"));
    const QByteArray plain = test::readAll(database);
    QByteArray marked = plain;
    marked.replace(0, 16, QByteArray(16, 'f'));
    test::writeAll(database, marked);
    RestoreExchangeHeader(database);
    EXPECT_EQ(test::readAll(database), plain);

    // Any other first byte: nothing changes.
    bytes[0] = 'S';
    test::writeAll(path, bytes);
    RestoreExchangeHeader(path);
    EXPECT_EQ(test::readAll(path), bytes);
}

TEST(EncryptFileAes, WritesTheLengthAndEachBlockByItselfZeroFilled) {
    test::TempFolder folder;
    const QString sealed = folder.path(QStringLiteral("report.dat"));
    const QByteArray key = DeriveReportKey().toLatin1();
    ASSERT_EQ(key.size(), 16);

    for (const auto& [length, size] : {std::pair{0, 8}, {1, 24}, {16, 24}, {17, 40}, {32, 40}}) {
        EncryptFileAes(QByteArray(length, 'A'), sealed, DeriveReportKey());
        EXPECT_EQ(test::readAll(sealed).size(), size) << length;
    }
    // 17 bytes: the length little-endian, then the text, the last block one byte and fifteen zeros.
    const QByteArray text = QByteArray("0123456789abcdefZ");
    EncryptFileAes(text, sealed, DeriveReportKey());
    const QByteArray file = test::readAll(sealed);
    EXPECT_EQ(file.left(8), QByteArray::fromHex("1100000000000000"));
    EXPECT_EQ(test::decryptBlocks(file.mid(8, 16), key), text.left(16));
    EXPECT_EQ(test::decryptBlocks(file.mid(24, 16), key), QByteArray("Z") + QByteArray(15, '\0'));

    // Blocks are encrypted each by itself: equal plain blocks give equal cipher blocks.
    EncryptFileAes(QByteArray(32, 'B'), sealed, DeriveReportKey());
    const QByteArray twice = test::readAll(sealed);
    EXPECT_EQ(twice.mid(8, 16), twice.mid(24, 16));

    // A short key is filled up with zero bytes, a long one cut to 16 characters.
    EncryptFileAes(QByteArray(32, 'B'), sealed, QStringLiteral("abc"));
    EXPECT_EQ(test::decryptBlocks(test::readAll(sealed).mid(8, 16), QByteArray("abc") + QByteArray(13, '\0')), QByteArray(16, 'B'));
    EncryptFileAes(QByteArray(32, 'B'), sealed, QStringLiteral("0123456789abcdefXYZ"));
    EXPECT_EQ(test::decryptBlocks(test::readAll(sealed).mid(8, 16), "0123456789abcdef"), QByteArray(16, 'B'));
}

TEST(EncryptFileAes, AFailureLeavesTheDestinationAsItWasAndSaysWhy) {
    test::TempFolder folder;
    const QString sealed = folder.path(QStringLiteral("report.dat"));
    test::writeAll(sealed, "earlier report");
    try {
        EncryptFileAes("text", folder.path(QStringLiteral("no/such/folder/x.dat")), DeriveReportKey());
        FAIL() << "an unwritable destination must raise";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), QStringLiteral("无法写入文件“%1”：文件或文件夹不存在").arg(folder.path(QStringLiteral("no/such/folder/x.dat"))));
    }
    EXPECT_EQ(test::readAll(sealed), QByteArray("earlier report"));
}

TEST(ReportValues, ConvertByQueryType) {
    EXPECT_EQ(ReportValueText(0, QVariant()), QStringLiteral("0"));
    EXPECT_EQ(ReportValueText(0, 12.6), QStringLiteral("13"));
    EXPECT_EQ(ReportValueText(3, -7.4), QStringLiteral("-7"));
    EXPECT_EQ(ReportValueText(0, 110101000001LL), QStringLiteral("110101000001"));
    EXPECT_EQ(ReportValueText(1, QVariant()), QString());
    EXPECT_EQ(ReportValueText(1, QStringLiteral("北京,朝阳－区")), QStringLiteral("北京，朝阳－区"));
    EXPECT_EQ(ReportValueText(1, QStringLiteral("010－6543")), QStringLiteral("010-6543"));
    EXPECT_EQ(ReportValueText(2, QVariant()), QStringLiteral("0"));
    EXPECT_EQ(ReportValueText(2, 1234.5), QStringLiteral("1234.5"));
}

TEST(ReportValues, GeneralNumberFormat) {
    EXPECT_EQ(GeneralNumberText(0), QStringLiteral("0"));
    EXPECT_EQ(GeneralNumberText(3), QStringLiteral("3"));
    EXPECT_EQ(GeneralNumberText(-0.25), QStringLiteral("-0.25"));
    EXPECT_EQ(GeneralNumberText(1234567.891), QStringLiteral("1234567.891"));
    EXPECT_EQ(GeneralNumberText(0.1 + 0.2), QStringLiteral("0.3"));
    EXPECT_EQ(GeneralNumberText(0.00001), QStringLiteral("0.00001"));
    EXPECT_EQ(GeneralNumberText(0.000001), QStringLiteral("1E-6"));
    EXPECT_EQ(GeneralNumberText(-0.0000015), QStringLiteral("-1.5E-6"));
    EXPECT_EQ(GeneralNumberText(999999999999999.0), QStringLiteral("999999999999999"));
    EXPECT_EQ(GeneralNumberText(1e15), QStringLiteral("1E15"));
    EXPECT_EQ(GeneralNumberText(1234567890123456789.0), QStringLiteral("1.23456789012346E18"));
}

TEST(PlainReportText, HeaderAndOneLinePerRecordInCodeOrder) {
    test::TempFolder folder;
    db::Connection connection;
    connection.open(folder.copyOfSystemDataFile());
    connection.execute(QStringLiteral("INSERT INTO dt_data(c901,c902,c907,RecordState,z001) VALUES(110101000002,'乙,工'||char(13,10,9)||'会',1,1,5.6)"));
    connection.execute(QStringLiteral("INSERT INTO dt_data(c901,c902,c907,RecordState) VALUES(110101000001,NULL,1,1)"));
    const QByteArray bytes = PlainReportText(connection);
    EXPECT_EQ(bytes.count("\n"), bytes.count("\r\n"));
    QStringList lines = decodeGb18030(bytes).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[3].isEmpty());
    const int fields = connection.scalar(QStringLiteral(
        "select count(*) from dt_fieldlist where sequence>0 and sequence<1000")).toInt();
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(lines[i].endsWith(u',')) << i;
        EXPECT_EQ(lines[i].count(u','), fields) << i;
    }
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("c901,c902,c903,")));
    // The null name is written as nothing and the null indicators as 0.
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("110101000001,,0,"))) << lines[1].toStdString();
    // Line breaks and other control characters in a text are blanks: a value never splits a line.
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("110101000002,乙，工   会,0,"))) << lines[2].toStdString();

    // Every cell is its field's value converted by its QueryType: whole
    // numbers, reals and nulls in fields of every kind.
    connection.execute(QStringLiteral("UPDATE dt_data SET z002=-3, z003=2.5, b014=7, b016=0.125, y001=123456789012345678, "
                                      "y002=NULL, x001=9007199254740993, RecordState=2 WHERE c901=110101000002"));
    QStringList expected;
    db::Statement fieldList(connection, QStringLiteral("select fieldName,QueryType from dt_fieldlist where sequence>0 and sequence<1000 order by sequence"));
    db::Statement record(connection, QStringLiteral("select * from dt_data where c901=110101000002"));
    ASSERT_TRUE(record.next());
    while (fieldList.next())
        expected << singleLine(ReportValueText(fieldList.text(0) == QLatin1String("RecordState") ? 0 : int(fieldList.integer(1)),
                                               record.value(record.columnIndex(fieldList.text(0)))));
    EXPECT_EQ(decodeGb18030(PlainReportText(connection)).split(QStringLiteral("\r\n"))[2], expected.join(u',') + u',');
}

TEST(ChosenFileNames, AreCompletedWithTheirExtension) {
    EXPECT_EQ(CompleteOpenedFileName(QStringLiteral("  /home/a/data  "), QStringLiteral(".dat")), QStringLiteral("/home/a/data.dat"));
    EXPECT_EQ(CompleteOpenedFileName(QStringLiteral("/a/b.mdb"), QStringLiteral(".mdb")), QStringLiteral("/a/b.mdb"));
    EXPECT_EQ(CompleteOpenedFileName(QStringLiteral("/a/b.MDB"), QStringLiteral(".mdb")), QStringLiteral("/a/b.MDB.mdb"));
    EXPECT_EQ(CompleteOpenedFileName(QStringLiteral("abcd"), QStringLiteral(".dat")), QStringLiteral("abcd"));
    EXPECT_EQ(CompleteSavedExchangeName(QStringLiteral("a")), QStringLiteral("a.dat"));
    EXPECT_EQ(CompleteSavedExchangeName(QStringLiteral(".dat")), QStringLiteral(".dat.dat"));
    EXPECT_EQ(CompleteSavedExchangeName(QStringLiteral("/x/X.DAT")), QStringLiteral("/x/X.DAT.dat"));
    EXPECT_EQ(CompleteSavedExchangeName(QStringLiteral(" /x/上报.dat ")), QStringLiteral("/x/上报.dat"));
}
