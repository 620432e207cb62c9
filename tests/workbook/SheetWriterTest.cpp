#include "LibreOffice.h"

#include "support/TestSupport.h"
#include "workbook/SheetWriter.h"

#include <QFileInfo>

using namespace workbook;

namespace {

class SheetWriterTest : public ::testing::Test {
protected:
    test::TempFolder folder;
};

} // namespace

TEST_F(SheetWriterTest, RowsReadBackWithTheirFormatsAndFittedWidths) {
    SheetWriter writer(QStringLiteral("东城区 数据"), 3);
    writer.setColumnNumberFormat(1, QStringLiteral("#,##0_ "));
    writer.setColumnNumberFormat(2, QStringLiteral("@"));
    writer.setFont({2, 1}, 12, true);
    writer.setNumberFormat({2, 2}, QStringLiteral("@"));
    writer.writeRow(2, {QStringLiteral("导出日期:"), QStringLiteral("2026/12/9")});
    writer.writeRow(5, {qint64(110101000001), QStringLiteral("  前后有空格 <&> _x0041_ "), 12.5});
    writer.writeRow(6, {QVariant(), QStringLiteral("0101"), -3});
    const QString path = folder.path(QStringLiteral("流式.xlsx"));
    test::writeAll(path, "an earlier file that is no workbook");  // the dialog asked before overwriting
    writer.save(path);

    EXPECT_EQ(QFileInfo(path).permissions() & (QFile::ReadOther | QFile::WriteOther), QFile::ReadOther)
        << "the workbook keeps the usual permissions";
    Workbook book = Workbook::open(path);
    ASSERT_EQ(book.sheetCount(), 1);
    Sheet sheet = book.sheet(1);
    EXPECT_EQ(sheet.name(), QStringLiteral("东城区 数据"));
    EXPECT_EQ(sheet.text({2, 1}), QStringLiteral("导出日期:"));
    EXPECT_TRUE(sheet.format({2, 1}).bold);
    EXPECT_EQ(sheet.format({2, 1}).fontSize, 12);
    EXPECT_EQ(sheet.format({2, 1}).numberFormat, QStringLiteral("#,##0_ "));
    EXPECT_EQ(sheet.text({5, 1}), QStringLiteral("110101000001"));
    EXPECT_EQ(sheet.text({5, 2}), QStringLiteral("  前后有空格 <&> _x0041_ "));
    EXPECT_EQ(sheet.text({5, 3}), QStringLiteral("12.5"));
    EXPECT_TRUE(sheet.text({6, 1}).isEmpty());
    EXPECT_EQ(sheet.format({6, 1}).numberFormat, QStringLiteral("#,##0_ "));
    EXPECT_EQ(sheet.text({6, 2}), QStringLiteral("0101"));
    EXPECT_EQ(sheet.text({6, 3}), QStringLiteral("-3"));
    // "110,101,000,001 " is the widest value of column 1; the text of column 2 has 11 wide characters.
    EXPECT_EQ(sheet.columnWidth(1), 17);
    EXPECT_EQ(sheet.columnWidth(2), 26);

    REQUIRE_LIBREOFFICE();
    const auto shown = test::shownByLibreOffice(path, {sheet.name()}, folder.path(QStringLiteral("csv")));
    const auto& rows = shown.at(sheet.name());
    ASSERT_GE(rows.size(), 6u);
    EXPECT_EQ(rows[4][0].trimmed(), QStringLiteral("110,101,000,001"));
    EXPECT_EQ(rows[5][1], QStringLiteral("0101"));
}

TEST_F(SheetWriterTest, MisuseAndFailedSavesLeaveNoFile) {
    EXPECT_THROW(SheetWriter(QStringLiteral("a[b]"), 2), Error);
    EXPECT_THROW(SheetWriter(QStringLiteral("表"), 0), Error);

    SheetWriter writer(QStringLiteral("表"), 2);
    writer.writeRow(3, {1, 2});
    EXPECT_THROW(writer.writeRow(3, {1, 2}), Error);           // rows come in order
    EXPECT_THROW(writer.writeRow(4, {1, 2, 3}), Error);        // no more values than columns
    EXPECT_THROW(writer.setColumnNumberFormat(1, QStringLiteral("@")), Error);  // formats come first

    // A folder in the way, or a missing folder: an error and nothing written.
    const QString inTheWay = folder.path(QStringLiteral("目录.xlsx"));
    QDir().mkpath(inTheWay);
    EXPECT_THROW(writer.save(inTheWay), Error);
    EXPECT_TRUE(QFileInfo(inTheWay).isDir());
    EXPECT_THROW(writer.save(folder.path(QStringLiteral("没有/表.xlsx"))), Error);
    EXPECT_EQ(QDir(folder.path(QString())).entryList(QDir::Files), QStringList());
}
