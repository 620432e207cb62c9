// Builds the summary template, the workbook a summary run fills, from the
// readable sources of the data folder and the program's table of summary
// sheets:
//
//   mksummarytemplate <data folder> <template> <check list>
//
// summaryform.csv holds the texts of the cover and the title and office
// lines of every table; fieldlist.csv gives the column headings (the field
// captions). Each table sheet has its title in row 1, the office line in row
// 2, the column headings in rows 3 to 7 (column A's heading, the breakdown,
// is written into A3 by the program), the total row 8 ("合计") whose formulas
// add up rows 9 and 10 (and so every row a run inserts there), and the data
// rows 9 and 10. Each sheet prints on A4 landscape, as wide as the page.
//
// The check list is the summary dialog's list of tables as shipped
// ("sumtable.qv"), nothing ticked.

#include "Csv.h"
#include "TemplateFile.h"

#include "summary/SumTableList.h"
#include "summary/SummaryStatements.h"
#include "workbook/Workbook.h"

#include <QCoreApplication>
#include <cmath>
#include <cstdio>
#include <map>

namespace {

enum Style {
    kPlain = 0,
    kTitle,        // table title
    kOfficeLine,   // the office line, left
    kUnitLine,     // the line's right end
    kHeading,      // column heading
    kMark,         // the row of column marks
    kTotalLabel,   // "合计"
    kNumber,       // totals and data
    kLabel,        // data row label
    kCoverTitle,
    kCoverNote,
    kCoverLine,
};

constexpr const char* kStyles = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<fonts count="5">
<font><sz val="11"/><name val="宋体"/><family val="3"/><charset val="134"/></font>
<font><b/><sz val="16"/><name val="宋体"/><family val="3"/><charset val="134"/></font>
<font><sz val="10"/><name val="宋体"/><family val="3"/><charset val="134"/></font>
<font><b/><sz val="26"/><name val="宋体"/><family val="3"/><charset val="134"/></font>
<font><sz val="14"/><name val="宋体"/><family val="3"/><charset val="134"/></font>
</fonts>
<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills>
<borders count="2">
<border><left/><right/><top/><bottom/><diagonal/></border>
<border><left style="thin"/><right style="thin"/><top style="thin"/><bottom style="thin"/><diagonal/></border>
</borders>
<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>
<cellXfs count="12">
<xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>
<xf numFmtId="0" fontId="1" fillId="0" borderId="0" xfId="0" applyFont="1" applyAlignment="1"><alignment horizontal="center" vertical="center"/></xf>
<xf numFmtId="0" fontId="2" fillId="0" borderId="0" xfId="0" applyFont="1" applyAlignment="1"><alignment horizontal="left" vertical="center"/></xf>
<xf numFmtId="0" fontId="2" fillId="0" borderId="0" xfId="0" applyFont="1" applyAlignment="1"><alignment horizontal="right" vertical="center"/></xf>
<xf numFmtId="0" fontId="2" fillId="0" borderId="1" xfId="0" applyFont="1" applyBorder="1" applyAlignment="1"><alignment horizontal="center" vertical="center" wrapText="1"/></xf>
<xf numFmtId="0" fontId="2" fillId="0" borderId="1" xfId="0" applyFont="1" applyBorder="1" applyAlignment="1"><alignment horizontal="center" vertical="center"/></xf>
<xf numFmtId="0" fontId="0" fillId="0" borderId="1" xfId="0" applyBorder="1" applyAlignment="1"><alignment horizontal="center" vertical="center"/></xf>
<xf numFmtId="0" fontId="0" fillId="0" borderId="1" xfId="0" applyBorder="1" applyAlignment="1"><alignment horizontal="right" vertical="center"/></xf>
<xf numFmtId="0" fontId="0" fillId="0" borderId="1" xfId="0" applyBorder="1" applyAlignment="1"><alignment horizontal="left" vertical="center"/></xf>
<xf numFmtId="0" fontId="3" fillId="0" borderId="0" xfId="0" applyFont="1" applyAlignment="1"><alignment horizontal="center" vertical="center"/></xf>
<xf numFmtId="0" fontId="4" fillId="0" borderId="0" xfId="0" applyFont="1" applyAlignment="1"><alignment horizontal="center" vertical="center"/></xf>
<xf numFmtId="0" fontId="4" fillId="0" borderId="0" xfId="0" applyFont="1" applyAlignment="1"><alignment horizontal="left" vertical="center"/></xf>
</cellXfs>
<cellStyles count="1"><cellStyle name="常规" xfId="0" builtinId="0"/></cellStyles>
</styleSheet>
)";

constexpr double kLabelWidth = 26;   // characters: the longest level name
constexpr double kValueWidth = 12;
constexpr double kLineHeight = 13;   // points per line of a heading in the 10-point font
constexpr int kHeadingRows = 4;      // rows 3 to 6; row 7 holds the column marks
constexpr int kTotalRow = 8;

[[noreturn]] void fail(const QString& message) { throw std::runtime_error(message.toStdString()); }

struct Page : TemplatePage {

    void put(int row, int column, Style style, const QString& text = {}, bool formula = false) {
        cells[row][column] = {int(style), text, formula};
    }
    // A block of cells merged into one, its text in the top left cell.
    void putMerged(int row, int column, int lastRow, int lastColumn, Style style, const QString& text) {
        for (int r = row; r <= lastRow; ++r)
            for (int c = column; c <= lastColumn; ++c) put(r, c, style);
        put(row, column, style, text);
        if (lastRow != row || lastColumn != column)
            merges << workbook::cellName({row, column}) + QLatin1Char(':') + workbook::cellName({lastRow, lastColumn});
    }
};

// The summary tables: landscape, as wide as the page, over as many pages as they need.
const SheetLayout kSummaryLayout{18, true,
                                 QStringLiteral("left=\"0.4\" right=\"0.4\" top=\"0.6\" bottom=\"0.6\" header=\"0.3\" footer=\"0.3\""),
                                 true, false};

// The caption of each field, from fieldlist.csv; a yes/no caption without its "(1=是；2=否)".
std::map<QString, QString> readCaptions(const QString& path) {
    const CsvTable table = readCsv(path);
    const qsizetype name = table.columns.indexOf(QStringLiteral("FieldName"));
    const qsizetype hint = table.columns.indexOf(QStringLiteral("Hint"));
    if (name < 0 || hint < 0) fail(path + QStringLiteral(" has no FieldName or Hint"));
    std::map<QString, QString> captions;
    for (const QVariantList& row : table.rows)
        captions[row[name].toString()] = row[hint].toString().remove(QStringLiteral("(1=是；2=否)"));
    return captions;
}

// A table sheet: its headings from the captions, the total row and the data rows.
void layOutTable(Page& page, const summary::SummarySheet& sheet, const std::map<QString, QString>& captions) {
    const int lastColumn = 1 + summary::resultColumnCount(sheet);
    page.widths.assign(size_t(lastColumn), kValueWidth);
    page.widths[0] = kLabelWidth;
    const int lastHeadingRow = 2 + kHeadingRows;
    const int markRow = lastHeadingRow + 1;

    page.putMerged(3, 1, lastHeadingRow, 1, kHeading, {});
    page.put(markRow, 1, kMark, QStringLiteral("甲"));
    page.put(kTotalRow, 1, kTotalLabel, QStringLiteral("合计"));
    page.put(9, 1, kLabel);
    page.put(10, 1, kLabel);
    double headingLines = 1;
    int column = 2;
    for (const summary::SummaryIndicator& indicator : sheet.indicators) {
        QString caption = QStringLiteral("单位数(个)");
        if (indicator.kind != summary::IndicatorKind::Count) {
            const auto found = captions.find(indicator.field);
            if (found == captions.end()) fail(QStringLiteral("fieldlist.csv has no field %1").arg(indicator.field));
            caption = found->second;
        }
        const bool pair = indicator.kind == summary::IndicatorKind::YesNo;
        const int last = pair ? column + 1 : column;
        if (pair) {
            page.putMerged(3, column, lastHeadingRow - 1, last, kHeading, caption);
            page.put(lastHeadingRow, column, kHeading, QStringLiteral("是"));
            page.put(lastHeadingRow, last, kHeading, QStringLiteral("否"));
        } else {
            page.putMerged(3, column, lastHeadingRow, column, kHeading, caption);
        }
        const double width = (pair ? 2 : 1) * kValueWidth - 1;
        const double rows = pair ? kHeadingRows - 1 : kHeadingRows;
        headingLines = std::max(headingLines, std::ceil(workbook::textWidth(caption) / width) * kHeadingRows / rows);
        for (int c = column; c <= last; ++c) {
            page.put(markRow, c, kMark, QString::number(c - 1));
            // The weighted averages have no sum: the program writes them.
            const bool sum = indicator.kind != summary::IndicatorKind::WeightedAverage;
            const QString letter = workbook::cellName({1, c}).chopped(1);
            page.put(kTotalRow, c, kNumber, sum ? QStringLiteral("SUM(%1%2:%1%3)").arg(letter).arg(9).arg(10) : QString(), sum);
            page.put(9, c, kNumber);
            page.put(10, c, kNumber);
        }
        column = last + 1;
    }
    for (int row = 3; row <= lastHeadingRow; ++row) page.heights[row] = std::max(18.0, headingLines * kLineHeight / kHeadingRows + 2);
    page.heights[1] = 30;
}

std::vector<Page> layOut(const QString& dataFolder) {
    const auto captions = readCaptions(dataFolder + QStringLiteral("/fieldlist.csv"));
    const auto& sheets = summary::summarySheets();
    std::vector<Page> pages;
    for (const summary::SummarySheet& sheet : sheets) pages.emplace_back().name = sheet.name;
    pages[0].widths = {100};
    for (size_t s = 1; s < sheets.size(); ++s) layOutTable(pages[s], sheets[s], captions);

    const CsvTable form = readCsv(dataFolder + QStringLiteral("/summaryform.csv"));
    for (const QVariantList& row : form.rows) {
        const int sheet = row[0].toInt();
        const int line = row[1].toInt();
        const QString kind = row[2].toString();
        const QString text = row[3].toString();
        if (sheet < 1 || sheet > int(pages.size()) || line < 1) fail(QStringLiteral("summaryform.csv: no place for \"%1\"").arg(text));
        Page& page = pages[size_t(sheet - 1)];
        const int lastColumn = int(page.widths.size());
        if (kind == QLatin1String("cover-title")) {
            page.put(line, 1, kCoverTitle, text);
            page.heights[line] = 48;
        } else if (kind == QLatin1String("cover-note")) {
            page.put(line, 1, kCoverNote, text);
        } else if (kind == QLatin1String("cover-line")) {
            page.put(line, 1, kCoverLine, text);
            page.heights[line] = 28;
        } else if (kind == QLatin1String("title")) {
            page.putMerged(line, 1, line, lastColumn, kTitle, text);
        } else if (kind == QLatin1String("office")) {
            page.put(line, 1, kOfficeLine, text);
        } else if (kind == QLatin1String("unit")) {
            page.put(line, lastColumn, kUnitLine, text);
        } else {
            fail(QStringLiteral("summaryform.csv: unknown kind \"%1\"").arg(kind));
        }
    }
    return pages;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: mksummarytemplate <data folder> <template> <check list>\n");
        return 2;
    }
    try {
        const std::vector<Page> pages = layOut(QString::fromLocal8Bit(argv[1]));
        std::vector<TemplateSheet> sheets;
        for (size_t i = 0; i < pages.size(); ++i) sheets.push_back({pages[i].name, worksheetXml(pages[i], kSummaryLayout, i == 0)});
        writeTemplateFile(sheets, kStyles, QString::fromLocal8Bit(argv[2]));
        if (!writeSumTableList(QString::fromLocal8Bit(argv[3]), shippedSumTableList())) fail(QStringLiteral("cannot write the check list"));
    } catch (const workbook::Error& e) {
        std::fprintf(stderr, "mksummarytemplate: %s\n", qUtf8Printable(e.message()));
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mksummarytemplate: %s\n", e.what());
        return 1;
    }
    return 0;
}
