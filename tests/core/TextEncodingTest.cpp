#include "core/TextEncoding.h"
#include "support/TestSupport.h"

TEST(TextEncoding, WritesGbkBytesAndKeepsRareCharacters) {
    EXPECT_EQ(encodeGb18030(QStringLiteral("中文a")), QByteArray("\xD6\xD0\xCE\xC4" "a"));
    // U+20000 is not in GBK; GB18030 keeps it in four bytes.
    const QString rare = QString::fromUcs4(U"\U00020000");
    EXPECT_EQ(encodeGb18030(rare), QByteArray("\x95\x32\x82\x36"));
    EXPECT_EQ(decodeGb18030(encodeGb18030(QStringLiteral("工会") + rare)), QStringLiteral("工会") + rare);
}

TEST(TextEncoding, CutsToAByteLimitWithoutSplittingACharacter) {
    EXPECT_EQ(cutToByteLimit(QStringLiteral("ab中文"), 6), QStringLiteral("ab中文"));
    EXPECT_EQ(cutToByteLimit(QStringLiteral("ab中文"), 5), QStringLiteral("ab中"));
    EXPECT_EQ(cutToByteLimit(QStringLiteral("ab中文"), 3), QStringLiteral("ab"));
    const QString rare = QString::fromUcs4(U"\U00020000");
    EXPECT_EQ(cutToByteLimit(QStringLiteral("a") + rare, 4), QStringLiteral("a"));
    EXPECT_EQ(cutToByteLimit(QStringLiteral("a") + rare, 5), QStringLiteral("a") + rare);
    EXPECT_EQ(cutToByteLimit(QString(60, QChar(0x5DE5)), 60).size(), 30);
}

TEST(TextEncoding, WriterEndsLinesWithCrLfAndAppends) {
    test::TempFolder folder;
    const QString path = folder.path(QStringLiteral("out.txt"));
    {
        TextFileWriter writer(path, TextFileWriter::Mode::Truncate);
        writer.writeLine(QStringLiteral("第一行"));
        writer.flush();
        EXPECT_EQ(test::readAll(path), encodeGb18030(QStringLiteral("第一行")) + "\r\n");
    }
    {
        TextFileWriter writer(path, TextFileWriter::Mode::Append);
        writer.writeLine(QString());
        writer.writeLine(QStringLiteral("x"));
    }
    EXPECT_EQ(test::readAll(path), encodeGb18030(QStringLiteral("第一行")) + "\r\n\r\nx\r\n");
    EXPECT_THROW(TextFileWriter(folder.path(QStringLiteral("no/such/dir/f.txt")), TextFileWriter::Mode::Truncate),
                 std::runtime_error);
}
