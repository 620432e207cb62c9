#include "LibreOffice.h"

#include "support/TestSupport.h"
#include "workbook/Package.h"
#include "workbook/References.h"
#include "workbook/Workbook.h"

#include <QFile>
#include <QFileInfo>

using namespace workbook;

namespace {

const QString kCode = QStringLiteral("110101000001");

// A small template of two sheets with what row insertion must carry along:
// formulas within and across sheets, absolute references, merged ranges
// above, across and below the row, a row height, a format and a defined name.
QString writeTemplate(const QString& path) {
    Package package;
    package.setPart("[Content_Types].xml", R"(<?xml version="1.0" encoding="UTF-8"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/worksheets/sheet2.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/worksheets/sheet3.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/><Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/></Types>)");
    package.setPart("_rels/.rels", R"(<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)");
    package.setPart("xl/workbook.xml", R"(<?xml version="1.0" encoding="UTF-8"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><bookViews><workbookView activeTab="0"/></bookViews><sheets><sheet name="数据" sheetId="1" r:id="rId1"/><sheet name="汇总 表" sheetId="2" r:id="rId2"/><sheet name="备注" sheetId="3" r:id="rId5"/></sheets><definedNames><definedName name="_xlnm.Print_Area" localSheetId="0">数据!$A$1:$C$14</definedName><definedName name="_xlnm.Print_Area" localSheetId="2">备注!$A$1:$B$2</definedName></definedNames></workbook>)");
    package.setPart("xl/_rels/workbook.xml.rels", R"(<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/><Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/xl/worksheets/sheet2.xml"/><Relationship Id="rId5" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet3.xml"/><Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/><Relationship Id="rId4" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/></Relationships>)");
    package.setPart("xl/sharedStrings.xml", R"(<?xml version="1.0" encoding="UTF-8"?>
<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><t>工会层次</t></si><si><r><t>合</t></r><r><t>计</t></r></si></sst>)");
    package.setPart("xl/styles.xml", R"(<?xml version="1.0" encoding="UTF-8"?>
<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><fonts count="1"><font><sz val="11"/><name val="宋体"/></font></fonts><fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills><borders count="2"><border/><border><left style="thin"/><right style="thin"/><top style="thin"/><bottom style="thin"/></border></borders><cellStyleXfs count="1"><xf/></cellStyleXfs><cellXfs count="2"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/><xf numFmtId="3" fontId="0" fillId="0" borderId="1" xfId="0" applyNumberFormat="1" applyBorder="1"/></cellXfs></styleSheet>)");
    package.setPart("xl/worksheets/sheet1.xml", R"(<?xml version="1.0" encoding="UTF-8"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><dimension ref="A1:D14"/><sheetViews><sheetView tabSelected="1" workbookViewId="0"/></sheetViews><sheetData>
<row r="1"><c r="A1" t="inlineStr"><is><t>标题</t></is></c></row>
<row r="3"><c r="A3" t="s"><v>0</v></c></row>
<row r="7"><c r="B7"><v>7</v></c></row>
<row r="8"><c r="A8" t="s"><v>1</v></c><c r="B8"><f>SUM(B9:B12)</f><v>46</v></c><c r="C8"><f>$B$12*2</f></c><c r="D8"><f>B7+SUM(B$9:B$10)</f></c></row>
<row r="9"><c r="B9" s="1"><v>10</v></c></row>
<row r="10" ht="20" customHeight="1"><c r="A10" s="1" t="inlineStr"><is><t>甲</t></is></c><c r="B10" s="1"><v>11</v></c></row>
<row r="11" ht="30" customHeight="1"><c r="B11" s="1"><v>12</v></c></row>
<row r="12"><c r="B12" s="1"><v>13</v></c></row>
<row r="14"><c r="B14" t="inlineStr"><is><t>说明</t></is></c></row>
</sheetData><mergeCells count="3"><mergeCell ref="A1:C1"/><mergeCell ref="A10:A12"/><mergeCell ref="B14:C14"/></mergeCells><pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/></worksheet>)");
    package.setPart("xl/worksheets/sheet2.xml", R"(<?xml version="1.0" encoding="UTF-8"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetViews><sheetView workbookViewId="0"/></sheetViews><sheetData><row r="1"><c r="A1"><f>数据!B12</f></c><c r="B1"><f>'数据'!B10+数据!B11</f></c><c r="C1"><f>B12</f></c><c r="D1"><f>"数据!B12"</f></c></row><row r="12"><c r="B12"><v>5</v></c></row></sheetData></worksheet>)");
    package.setPart("xl/worksheets/sheet3.xml", R"(<?xml version="1.0" encoding="UTF-8"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetViews><sheetView workbookViewId="0"/></sheetViews><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>备注</t></is></c></row></sheetData></worksheet>)");
    package.write(path);
    return path;
}

QByteArray contentTypes(const QString& workbookPath) {
    return QByteArray::fromStdString(Package::read(workbookPath).part("[Content_Types].xml"));
}

class WorkbookTest : public ::testing::Test {
protected:
    test::TempFolder folder;
};

} // namespace

TEST(CellAddressTest, NamesColumnsOfOneToThreeLetters) {
    EXPECT_EQ(cellAt(u"A1"), (CellAddress{1, 1}));
    EXPECT_EQ(cellAt(u"Z9"), (CellAddress{9, 26}));
    EXPECT_EQ(cellAt(u"AA1"), (CellAddress{1, 27}));
    EXPECT_EQ(cellAt(u"AB12"), (CellAddress{12, 28}));
    EXPECT_EQ(cellAt(u"$B$3"), (CellAddress{3, 2}));
    EXPECT_EQ(cellAt(u"XFD1048576"), (CellAddress{1048576, 16384}));
    for (const CellAddress cell : {CellAddress{1, 1}, CellAddress{12, 28}, CellAddress{7, 702}, CellAddress{7, 703}})
        EXPECT_EQ(cellAt(cellName(cell)), cell);
    EXPECT_EQ(cellName({7, 702}), QStringLiteral("ZZ7"));
    EXPECT_EQ(cellName({7, 703}), QStringLiteral("AAA7"));
    for (const char16_t* bad : {u"", u"A", u"12", u"A0", u"1A", u"A1B", u"XFE1", u"A1048577", u"AAAA1", u" A1", u"A-1"})
        EXPECT_THROW(cellAt(bad), Error) << QString::fromUtf16(bad).toStdString();

    const CellRange range = rangeAt(u"C20:A9");
    EXPECT_EQ(range.first, (CellAddress{9, 1}));
    EXPECT_EQ(range.last, (CellAddress{20, 3}));
    EXPECT_THROW(rangeAt(u"A9:"), Error);
}

TEST(FormulaReferenceTest, RowsMoveOnlyWhereAReferenceReachesTheInsertedRow) {
    const QString sheet = QStringLiteral("数据");
    auto moved = [&](const char* formula, bool own = true) {
        return QString::fromStdString(moveRowsDown(formula, own, sheet, 10));
    };
    EXPECT_EQ(moved("A9+A10+$B$11+B$12+$C13"), QStringLiteral("A9+A11+$B$12+B$13+$C14"));
    EXPECT_EQ(moved("SUM(A1:A9)+SUM(A5:B10)+SUM(A10:A20)"), QStringLiteral("SUM(A1:A9)+SUM(A5:B11)+SUM(A11:A21)"));
    EXPECT_EQ(moved("SUM(3:12)+SUM(A:C)+COUNT($10:$10)"), QStringLiteral("SUM(3:13)+SUM(A:C)+COUNT($11:$11)"));
    // Functions, names, numbers and texts that look like references stay as they are.
    EXPECT_EQ(moved("LOG10(A10)+ATAN2(1,2)+1.5E10+\"A10\"&\"a\"\"A10\"+TRUE+_A10+A10_x"),
              QStringLiteral("LOG10(A11)+ATAN2(1,2)+1.5E10+\"A10\"&\"a\"\"A10\"+TRUE+_A10+A10_x"));
    // References to other sheets move only when they name this one, in any letter case or quoting.
    EXPECT_EQ(moved("其他!A10+'数据'!A10+数据!A10:A12+'It''s'!A10", false), QStringLiteral("其他!A10+'数据'!A11+数据!A11:A13+'It''s'!A10"));
    EXPECT_EQ(QString::fromStdString(moveRowsDown("'It''s'!A10+Data!B10", false, QStringLiteral("it's"), 10)),
              QStringLiteral("'It''s'!A11+Data!B10"));
    EXPECT_EQ(QString::fromStdString(moveRowsDown("data!B10", false, QStringLiteral("Data"), 10)), QStringLiteral("data!B11"));
}

TEST_F(WorkbookTest, ValuesAndFormatsComeBackAsWritten) {
    Workbook book = Workbook::blank();
    ASSERT_EQ(book.sheetCount(), 1);
    Sheet sheet = book.sheet(1);
    EXPECT_EQ(sheet.name(), QStringLiteral("Sheet1"));
    sheet.setName(QStringLiteral("导出数据"));

    const QString awkward = QStringLiteral(" 前后有空格 ") + QChar(1) + QStringLiteral("_x0041_ a\r\nb&<>\"'");
    sheet.setValue({1, 1}, QStringLiteral("基层工会联合会"));
    sheet.setValue({1, 2}, awkward);
    sheet.setValue({2, 1}, qlonglong(110101000001));
    sheet.setValue({2, 2}, 12.5);
    sheet.setValue({2, 3}, -0.1);
    sheet.setValue({2, 4}, 0);
    sheet.setValue({2, 5}, 100000.0);
    sheet.setValue({2, 6}, 1e20);
    sheet.setValue({3, 1}, QStringLiteral("0101"));
    sheet.setValue({3, 2}, QStringLiteral("清除"));
    sheet.setValue({3, 2}, QString());
    sheet.setValue({3, 3}, QVariant());
    sheet.setValue(cellAt(u"AB12"), QStringLiteral("两个字母的列"));
    EXPECT_THROW(sheet.setValue({1, 1}, QString(32768, QLatin1Char('x'))), Error);
    EXPECT_THROW(sheet.setValue({0, 1}, 1), Error);
    EXPECT_THROW(sheet.setValue({1, 16385}, 1), Error);
    EXPECT_EQ(sheet.text({1, 1}), QStringLiteral("基层工会联合会"));

    sheet.setColumnNumberFormat(4, QStringLiteral("#,##0_ "));
    sheet.setValue({5, 4}, 1234567);  // written after the column got its format
    sheet.setNumberFormat(rangeAt(u"B2"), QStringLiteral("￥#,##0.00;￥-#,##0.00"));
    sheet.setNumberFormat(rangeAt(u"A2"), QStringLiteral("0"));
    sheet.setFont(rangeAt(u"A1:B1"), 12, true);
    sheet.setAlignment(rangeAt(u"A2:A3"), Alignment::Left);
    sheet.autoFitColumn(1);

    const QString path = folder.path(QStringLiteral("导出.xlsx"));
    book.save(path);
    Workbook again = Workbook::open(path);
    Sheet read = again.sheet(1);
    EXPECT_EQ(read.name(), QStringLiteral("导出数据"));
    EXPECT_EQ(read.text({1, 1}), QStringLiteral("基层工会联合会"));
    EXPECT_EQ(read.text({1, 2}), awkward);
    EXPECT_EQ(read.text({2, 1}), kCode);
    EXPECT_EQ(read.text({2, 2}), QStringLiteral("12.5"));
    EXPECT_EQ(read.text({2, 3}), QStringLiteral("-0.1"));
    EXPECT_EQ(read.text({2, 4}), QStringLiteral("0"));
    EXPECT_EQ(read.text({2, 5}), QStringLiteral("100000"));
    EXPECT_EQ(read.text({2, 6}), QStringLiteral("1e+20"));
    EXPECT_EQ(read.text({3, 1}), QStringLiteral("0101"));
    EXPECT_EQ(read.text({3, 2}), QString());
    EXPECT_EQ(read.text({12, 28}), QStringLiteral("两个字母的列"));
    EXPECT_EQ(read.format({5, 4}).numberFormat, QStringLiteral("#,##0_ "));
    EXPECT_EQ(read.format({2, 4}).numberFormat, QStringLiteral("#,##0_ "));
    EXPECT_EQ(read.format({2, 2}).numberFormat, QStringLiteral("￥#,##0.00;￥-#,##0.00"));
    EXPECT_EQ(read.format({1, 1}).fontSize, 12);
    EXPECT_TRUE(read.format({1, 2}).bold);
    EXPECT_FALSE(read.format({2, 1}).bold);
    EXPECT_EQ(read.format({3, 1}).alignment, Alignment::Left);
    EXPECT_EQ(read.format({2, 1}).numberFormat, QStringLiteral("0"));
    // Seven wide characters in bold 12-point type are wider than fourteen narrow ones.
    EXPECT_GT(read.columnWidth(1), 14 * 12.0 / 11);
    EXPECT_LT(read.columnWidth(1), 20);

    REQUIRE_LIBREOFFICE();
    const QString resaved = test::convertedByLibreOffice(path, QStringLiteral("xlsx"), folder.path(QStringLiteral("lo")));
    ASSERT_FALSE(resaved.isEmpty());
    Workbook resavedBook = Workbook::open(resaved);
    Sheet byOffice = resavedBook.sheet(1);
    EXPECT_EQ(byOffice.name(), QStringLiteral("导出数据"));
    for (const CellAddress cell : {CellAddress{1, 1}, CellAddress{2, 1}, CellAddress{2, 2}, CellAddress{3, 1}, CellAddress{12, 28}})
        EXPECT_EQ(byOffice.text(cell), read.text(cell)) << cellName(cell).toStdString();
    EXPECT_EQ(byOffice.text({1, 2}), QString(awkward).remove(QLatin1Char('\r')));  // LibreOffice keeps line breaks as LF alone
    EXPECT_TRUE(byOffice.format({1, 1}).bold);
    EXPECT_EQ(byOffice.format({1, 1}).fontSize, 12);
    EXPECT_EQ(byOffice.format({3, 1}).alignment, Alignment::Left);

    const auto shown = test::shownByLibreOffice(path, {QStringLiteral("导出数据")}, folder.path(QStringLiteral("csv")));
    ASSERT_EQ(shown.count(QStringLiteral("导出数据")), 1u);
    const auto& rows = shown.at(QStringLiteral("导出数据"));
    ASSERT_GE(rows.size(), 5u);
    EXPECT_EQ(rows[1][0], kCode);  // all twelve digits, never "1.10101E+11"
    EXPECT_EQ(rows[1][1], QStringLiteral("￥12.50"));
    EXPECT_EQ(rows[4][3], QStringLiteral("1,234,567 "));
}

TEST_F(WorkbookTest, InsertedRowsCarryCellsFormatsMergesAndReferences) {
    const QString source = writeTemplate(folder.path(QStringLiteral("模板.xltx")));
    Workbook book = Workbook::open(source);
    ASSERT_EQ(book.sheetCount(), 3);
    Sheet data = book.sheet(1);
    EXPECT_EQ(data.text({3, 1}), QStringLiteral("工会层次"));
    EXPECT_EQ(data.text({8, 1}), QStringLiteral("合计"));  // a text of several runs
    EXPECT_EQ(data.text({8, 2}), QStringLiteral("46"));   // the cached result of the formula

    data.insertRow(11);
    data.setValue({11, 2}, 100);

    auto check = [](Workbook& b) {
        Sheet s = b.sheet(1);
        EXPECT_EQ(s.text({10, 2}), QStringLiteral("11"));
        EXPECT_EQ(s.text({11, 2}), QStringLiteral("100"));
        EXPECT_EQ(s.text({12, 2}), QStringLiteral("12"));
        EXPECT_EQ(s.text({13, 2}), QStringLiteral("13"));
        EXPECT_EQ(s.text({15, 2}), QStringLiteral("说明"));
        EXPECT_EQ(s.formula({8, 2}), QStringLiteral("SUM(B9:B13)"));
        EXPECT_EQ(s.formula({8, 3}), QStringLiteral("$B$13*2"));
        EXPECT_EQ(s.formula({8, 4}), QStringLiteral("B7+SUM(B$9:B$10)"));
        EXPECT_EQ(s.mergedRanges(), (QStringList{QStringLiteral("A1:C1"), QStringLiteral("A10:A13"), QStringLiteral("B15:C15")}));
        EXPECT_EQ(s.rowHeight(11), 20);  // the new row looks like the one above
        EXPECT_EQ(s.format({11, 2}).numberFormat, QStringLiteral("#,##0"));
        EXPECT_EQ(s.rowHeight(12), 30);  // and the old row 11 moved down with its height
        Sheet other = b.sheet(2);
        EXPECT_EQ(other.formula({1, 1}), QStringLiteral("数据!B13"));
        EXPECT_EQ(other.formula({1, 2}), QStringLiteral("'数据'!B10+数据!B12"));
        EXPECT_EQ(other.formula({1, 3}), QStringLiteral("B12"));
        EXPECT_EQ(other.formula({1, 4}), QStringLiteral("\"数据!B12\""));
    };
    check(book);
    const QString path = folder.path(QStringLiteral("插入.xlsx"));
    book.save(path);
    Workbook again = Workbook::open(path);
    check(again);
    EXPECT_TRUE(contentTypes(path).contains("spreadsheetml.sheet.main+xml"));
    EXPECT_FALSE(contentTypes(path).contains("template.main"));

    REQUIRE_LIBREOFFICE();
    const auto shown = test::shownByLibreOffice(path, {QStringLiteral("数据"), QStringLiteral("汇总 表")}, folder.path(QStringLiteral("csv")));
    ASSERT_EQ(shown.size(), 2u);
    const auto& rows = shown.at(QStringLiteral("数据"));
    ASSERT_GE(rows.size(), 8u);
    EXPECT_EQ(rows[7][1], QStringLiteral("146"));  // 10 + 11 + 100 + 12 + 13
    EXPECT_EQ(rows[7][2], QStringLiteral("26"));
    EXPECT_EQ(rows[7][3], QStringLiteral("28"));
    EXPECT_EQ(shown.at(QStringLiteral("汇总 表"))[0][0], QStringLiteral("13"));
    EXPECT_EQ(shown.at(QStringLiteral("汇总 表"))[0][1], QStringLiteral("23"));
    const QString resaved = test::convertedByLibreOffice(path, QStringLiteral("xlsx"), folder.path(QStringLiteral("lo")));
    ASSERT_FALSE(resaved.isEmpty());
    EXPECT_EQ(Workbook::open(resaved).sheet(1).mergedRanges().size(), 3);
}

TEST_F(WorkbookTest, RowsInsertedAtTheTopOrBelowTheLastRowAndFittedWidths) {
    Workbook book = Workbook::open(writeTemplate(folder.path(QStringLiteral("模板.xltx"))));
    Sheet data = book.sheet(1);
    data.insertRow(20);  // below everything: nothing moves
    EXPECT_EQ(data.formula({8, 2}), QStringLiteral("SUM(B9:B12)"));
    EXPECT_EQ(data.mergedRanges(), (QStringList{QStringLiteral("A1:C1"), QStringLiteral("A10:A12"), QStringLiteral("B14:C14")}));
    data.insertRow(1);  // no row above to take a format from
    EXPECT_EQ(data.text({2, 1}), QStringLiteral("标题"));
    EXPECT_EQ(data.text({1, 1}), QString());
    EXPECT_EQ(data.formula({9, 2}), QStringLiteral("SUM(B10:B13)"));
    EXPECT_EQ(data.mergedRanges().first(), QStringLiteral("A2:C2"));

    // The title merged across A:C does not widen column A; numbers count as shown.
    data.setValue({30, 1}, QStringLiteral("甲乙"));
    data.setNumberFormat(rangeAt(u"B30"), QStringLiteral("#,##0.00"));
    data.setValue({30, 2}, 1234567.5);
    data.autoFitColumn(1);
    data.autoFitColumn(2);
    data.autoFitColumn(5);
    EXPECT_EQ(data.columnWidth(1), 9);   // "工会层次": eight digit widths, and room
    EXPECT_EQ(data.columnWidth(2), 13);  // "1,234,567.50"; "说明" is merged across B:C
    EXPECT_EQ(data.columnWidth(5), 0);   // nothing in it
}

TEST_F(WorkbookTest, SheetsAreNamedSelectedAndDeletedByPosition) {
    Workbook book = Workbook::open(writeTemplate(folder.path(QStringLiteral("模板.xltx"))));
    Sheet first = book.sheet(1);
    const QString longest(31, QChar(0x8868));
    first.setName(longest);
    EXPECT_EQ(first.name(), longest);
    for (const QString& bad : {QString(), longest + QLatin1Char('x'), QStringLiteral("a/b"), QStringLiteral("a:b"),
                               QStringLiteral("[a]"), QStringLiteral("a?"), QStringLiteral("a*"), QStringLiteral("a\\b"),
                               QStringLiteral("'a"), QStringLiteral("a'"), QStringLiteral("汇总 表"), QStringLiteral("备注").toUpper()}) {
        EXPECT_THROW(first.setName(bad), Error) << bad.toStdString();
        EXPECT_EQ(first.name(), longest);
    }
    EXPECT_THROW(first.setName(QStringLiteral("备注")), Error);
    first.setName(QStringLiteral("数据"));

    EXPECT_THROW(book.sheet(4), Error);
    book.setActiveSheet(3);
    book.deleteSheet(2);
    ASSERT_EQ(book.sheetCount(), 2);
    EXPECT_EQ(book.sheet(2).name(), QStringLiteral("备注"));
    EXPECT_EQ(book.activeSheet(), 2);
    const QString path = folder.path(QStringLiteral("删除.xlsx"));
    book.save(path);
    {
        Workbook again = Workbook::open(path);
        ASSERT_EQ(again.sheetCount(), 2);
        EXPECT_EQ(again.sheet(1).name(), QStringLiteral("数据"));
        EXPECT_EQ(again.sheet(2).text({1, 1}), QStringLiteral("备注"));
        EXPECT_EQ(again.activeSheet(), 2);
        again.deleteSheet(1);
        EXPECT_THROW(again.deleteSheet(1), Error);
        EXPECT_EQ(again.activeSheet(), 1);
        again.save(path);
    }
    const std::string workbookPart = Package::read(path).part("xl/workbook.xml");
    EXPECT_EQ(workbookPart.find("数据!"), std::string::npos);  // the names of the deleted sheet went with it
    EXPECT_NE(workbookPart.find("localSheetId=\"0\">备注!$A$1:$B$2"), std::string::npos);

    REQUIRE_LIBREOFFICE();
    const QString resaved = test::convertedByLibreOffice(path, QStringLiteral("xlsx"), folder.path(QStringLiteral("lo")));
    ASSERT_FALSE(resaved.isEmpty());
    Workbook byOffice = Workbook::open(resaved);
    ASSERT_EQ(byOffice.sheetCount(), 1);
    EXPECT_EQ(byOffice.sheet(1).text({1, 1}), QStringLiteral("备注"));
}

TEST_F(WorkbookTest, BadFilesAndFailedSavesChangeNothing) {
    EXPECT_THROW(Workbook::open(folder.path(QStringLiteral("没有.xltx"))), Error);
    const QString garbage = folder.path(QStringLiteral("坏.xltx"));
    test::writeAll(garbage, "PK\x03\x04 not really a zip archive");
    // The cause is in the clerk's words, not the archive library's.
    try {
        Workbook::open(garbage);
        ADD_FAILURE() << "a damaged archive opened";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("无法读取工作簿文件“坏.xltx”：不是工作簿文件或文件已损坏"));
    }
    Package notABook;
    notABook.setPart("[Content_Types].xml", "<Types/>");
    notABook.setPart("_rels/.rels", "<Relationships>");
    notABook.write(garbage);
    EXPECT_THROW(Workbook::open(garbage), Error);

    Workbook book = Workbook::blank();
    book.sheet(1).setValue({1, 1}, 1);
    const QString missing = folder.path(QStringLiteral("没有的文件夹/a.xlsx"));
    try {
        book.save(missing);
        ADD_FAILURE() << "a workbook was saved into a missing folder";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("无法写入文件“%1”：文件或文件夹不存在").arg(missing));
    }
    EXPECT_TRUE(QDir(folder.path(QString())).entryList({QStringLiteral("*.xlsx*")}).isEmpty());
    book.save(folder.path(QStringLiteral("a.xlsx")));  // numbers only: no shared strings at all
    EXPECT_EQ(Workbook::open(folder.path(QStringLiteral("a.xlsx"))).sheet(1).text({1, 1}), QStringLiteral("1"));
}

namespace {

// A saved workbook of one sheet whose worksheet part, and the shared text
// when given, are replaced by the test's own.
QString workbookWith(const QString& path, const std::string& sheetInside, const std::string& sharedText = "文字") {
    Workbook book = Workbook::blank();
    book.sheet(1).setValue({1, 1}, QStringLiteral("文字"));
    book.save(path);
    Package package = Package::read(path);
    package.setPart("xl/sharedStrings.xml",
                    R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><t>)" + sharedText + "</t></si></sst>");
    package.setPart("xl/worksheets/sheet1.xml",
                    R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)" + sheetInside + "</worksheet>");
    package.write(path);
    return path;
}

// Rows of cells that all show the shared text.
std::string rowsOfSharedText(int rows, int cellsPerRow) {
    std::string cells;
    for (int c = 0; c < cellsPerRow; ++c) cells += R"(<c t="s"><v>0</v></c>)";
    std::string data = "<sheetData>";
    for (int r = 0; r < rows; ++r) data += "<row>" + cells + "</row>";
    return data + "</sheetData>";
}

} // namespace

TEST_F(WorkbookTest, LargeTemplatesOpenAndHostileOnesAreRefusedBeforeTheyExpand) {
    // Far more than any template: 200,000 cells with a 100-byte text, every column described.
    const QString large = workbookWith(folder.path(QStringLiteral("large.xltx")),
                                       R"(<cols><col min="1" max="2" width="20"/><col min="3" max="16384" width="9"/></cols>)"
                                           + rowsOfSharedText(200, 1000),
                                       std::string(100, 'x'));
    Workbook book = Workbook::open(large);
    EXPECT_EQ(book.sheet(1).text({200, 1000}), QString(100, QLatin1Char('x')));

    // One 8 KB text repeated in 10,000 cells would unfold to 80 MB.
    const QString repeated = workbookWith(folder.path(QStringLiteral("repeated.xltx")), rowsOfSharedText(10, 1000),
                                          std::string(8192, 'x'));
    // A million cells without content.
    std::string emptyCells = "<row>";
    for (int c = 0; c < 10001; ++c) emptyCells += "<c/>";
    std::string manyCells = "<sheetData>";
    for (int r = 0; r < 100; ++r) manyCells += emptyCells + "</row>";
    const QString cells = workbookWith(folder.path(QStringLiteral("cells.xltx")), manyCells + "</sheetData>");
    // Every column described 20,000 times over.
    std::string cols = "<cols>";
    for (int i = 0; i < 20000; ++i) cols += R"(<col min="1" max="16384" width="9"/>)";
    const QString columns = workbookWith(folder.path(QStringLiteral("columns.xltx")), cols + "</cols><sheetData/>");
    // A cell past the last column XFD.
    const QString pastLastColumn = workbookWith(folder.path(QStringLiteral("past.xltx")),
                                                R"(<sheetData><row r="1"><c r="XFD1"/><c><v>1</v></c></row></sheetData>)");
    for (const QString& hostile : {repeated, cells, columns, pastLastColumn})
        EXPECT_THROW(Workbook::open(hostile), Error) << hostile.toStdString();

    // A small archive that inflates to more than 32 MB.
    Package bomb = Package::read(large);
    bomb.setPart("xl/padding.xml", std::string(33 << 20, ' '));
    const QString bombPath = folder.path(QStringLiteral("bomb.xltx"));
    bomb.write(bombPath);
    EXPECT_LT(QFileInfo(bombPath).size(), 1 << 20);
    EXPECT_THROW(Workbook::open(bombPath), Error);
}
