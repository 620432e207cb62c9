// Builds the print template, the workbook on which one survey return is
// printed, from the readable sources of the data folder:
//
//   mkprinttemplate <data folder> <template>
//
// printform.csv names the worksheets (worksheet n is printed page n) and
// places the fixed texts of the form: the cover's texts and field labels,
// and the title lines and column headings of every data sheet.
// fieldlist.csv places every printed field (PageID 0 or above) by its
// printPageID and printplace. On a data sheet the field's row shows its
// caption (Hint) in column A, its code in column B and its value in column C,
// the printplace; on the cover the label comes from printform.csv and the
// value cell spans columns B and C. Each sheet prints on one A4 page.

#include "Csv.h"
#include "TemplateFile.h"

#include "workbook/Workbook.h"

#include <QCoreApplication>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

namespace {

// Cell formats, the entries of the style sheet below.
enum Style {
    kPlain = 0,
    kCaption,      // data sheet: field caption
    kCode,         // data sheet: field code
    kCount,        // data sheet: whole-number value
    kDecimal,      // data sheet: decimal value
    kHeading,      // data sheet: column heading
    kTitle,        // data sheet: title line
    kNote,         // data sheet: note under the title
    kFormTitle,    // cover: the form's title
    kInfo,         // cover: form number and approval lines
    kNotice,       // cover: the statistics law's notice
    kLabel,        // cover: field label
    kCoverText,    // cover: text value
    kCoverCode,    // cover: code value
    kCoverDivision,  // cover: division code, always six digits
    kCoverLine,    // cover: the rest of a value's line
};

constexpr const char* kStyles = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<numFmts count="1"><numFmt numFmtId="164" formatCode="000000"/></numFmts>
<fonts count="5">
<font><sz val="11"/><name val="宋体"/><family val="3"/><charset val="134"/></font>
<font><b/><sz val="11"/><name val="宋体"/><family val="3"/><charset val="134"/></font>
<font><b/><sz val="14"/><name val="宋体"/><family val="3"/><charset val="134"/></font>
<font><b/><sz val="22"/><name val="宋体"/><family val="3"/><charset val="134"/></font>
<font><sz val="10"/><name val="宋体"/><family val="3"/><charset val="134"/></font>
</fonts>
<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills>
<borders count="3">
<border><left/><right/><top/><bottom/><diagonal/></border>
<border><left style="thin"/><right style="thin"/><top style="thin"/><bottom style="thin"/><diagonal/></border>
<border><left/><right/><top/><bottom style="thin"/><diagonal/></border>
</borders>
<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>
<cellXfs count="16">
<xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>
<xf numFmtId="0" fontId="0" fillId="0" borderId="1" xfId="0" applyBorder="1" applyAlignment="1"><alignment horizontal="left" vertical="center" indent="1"/></xf>
<xf numFmtId="0" fontId="0" fillId="0" borderId="1" xfId="0" applyBorder="1" applyAlignment="1"><alignment horizontal="center" vertical="center"/></xf>
<xf numFmtId="3" fontId="0" fillId="0" borderId="1" xfId="0" applyNumberFormat="1" applyBorder="1" applyAlignment="1"><alignment horizontal="right" vertical="center"/></xf>
<xf numFmtId="0" fontId="0" fillId="0" borderId="1" xfId="0" applyBorder="1" applyAlignment="1"><alignment horizontal="right" vertical="center"/></xf>
<xf numFmtId="0" fontId="1" fillId="0" borderId="1" xfId="0" applyFont="1" applyBorder="1" applyAlignment="1"><alignment horizontal="center" vertical="center" wrapText="1"/></xf>
<xf numFmtId="0" fontId="2" fillId="0" borderId="0" xfId="0" applyFont="1" applyAlignment="1"><alignment horizontal="center" vertical="center" wrapText="1"/></xf>
<xf numFmtId="0" fontId="4" fillId="0" borderId="0" xfId="0" applyFont="1" applyAlignment="1"><alignment horizontal="center" vertical="center" wrapText="1"/></xf>
<xf numFmtId="0" fontId="3" fillId="0" borderId="0" xfId="0" applyFont="1" applyAlignment="1"><alignment horizontal="center" vertical="center"/></xf>
<xf numFmtId="0" fontId="4" fillId="0" borderId="0" xfId="0" applyFont="1" applyAlignment="1"><alignment horizontal="left" vertical="center"/></xf>
<xf numFmtId="0" fontId="4" fillId="0" borderId="0" xfId="0" applyFont="1" applyAlignment="1"><alignment horizontal="left" vertical="center" wrapText="1"/></xf>
<xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0" applyAlignment="1"><alignment horizontal="right" vertical="center"/></xf>
<xf numFmtId="49" fontId="0" fillId="0" borderId="2" xfId="0" applyNumberFormat="1" applyBorder="1" applyAlignment="1"><alignment horizontal="left" vertical="center"/></xf>
<xf numFmtId="1" fontId="0" fillId="0" borderId="2" xfId="0" applyNumberFormat="1" applyBorder="1" applyAlignment="1"><alignment horizontal="left" vertical="center"/></xf>
<xf numFmtId="164" fontId="0" fillId="0" borderId="2" xfId="0" applyNumberFormat="1" applyBorder="1" applyAlignment="1"><alignment horizontal="left" vertical="center"/></xf>
<xf numFmtId="0" fontId="0" fillId="0" borderId="2" xfId="0" applyBorder="1"/>
</cellXfs>
<cellStyles count="1"><cellStyle name="常规" xfId="0" builtinId="0"/></cellStyles>
</styleSheet>
)";

const QStringList kHeadings = {QStringLiteral("指 标 名 称"), QStringLiteral("代  码"), QStringLiteral("数  值")};
const QStringList kHeadingMarks = {QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("1")};

constexpr double kRowHeight = 20;      // points
constexpr double kLineHeight = 18;     // points per line of a wrapped title
constexpr double kCodeWidth = 9;       // characters
constexpr double kValueWidth = 20;     // fits 99,999,999,999,999
constexpr int kCoverValueRowHeight = 26;

[[noreturn]] void fail(const QString& message) { throw std::runtime_error(message.toStdString()); }

// What one worksheet shows.
struct Page : TemplatePage {

    void put(int row, int column, Style style, const QString& text = {}) {
        TemplateCell& cell = cells[row][column];
        if (cell.style != kPlain || !cell.text.isEmpty())
            fail(QStringLiteral("%1 %2 is used twice").arg(name, workbook::cellName({row, column})));
        cell = {style, text};
    }
    // A text across columns A to C, as many lines high as it needs.
    void putAcross(int row, Style style, const QString& text, double fontSize) {
        put(row, 1, style, text);
        merges << QStringLiteral("A%1:C%1").arg(row);
        double width = 0;
        for (double w : widths) width += w;
        const double lines = std::max(1.0, std::ceil(workbook::textWidth(text) * fontSize / 11 / (width - 2)));
        heights[row] = std::max(kRowHeight, lines * kLineHeight * fontSize / 11);
    }
};

// The print form: portrait, one page per sheet, without grid lines.
const SheetLayout kPrintLayout{14.25, false,
                               QStringLiteral("left=\"0.6\" right=\"0.6\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\""),
                               false, true};

struct Field {
    QString name;
    QString hint;
    int kind;  // QueryType
    int sheet;
    workbook::CellAddress place;
};

std::vector<Field> readFields(const QString& path) {
    const CsvTable table = readCsv(path);
    auto column = [&](const char* name) {
        const qsizetype at = table.columns.indexOf(QLatin1String(name));
        if (at < 0) fail(QStringLiteral("%1 has no column %2").arg(path, QLatin1String(name)));
        return at;
    };
    const qsizetype name = column("FieldName"), hint = column("Hint"), kind = column("QueryType"),
                    pageId = column("PageID"), sheet = column("printPageID"), place = column("printplace");
    std::vector<Field> fields;
    for (const QVariantList& row : table.rows) {
        if (row[pageId].toInt() < 0) continue;
        const QString where = row[place].toString();
        try {
            fields.push_back({row[name].toString(), row[hint].toString(), row[kind].toInt(), row[sheet].toInt(),
                              workbook::cellAt(where)});
        } catch (const workbook::Error&) {
            fail(QStringLiteral("%1: field %2 has no print place (\"%3\")").arg(path, row[name].toString(), where));
        }
    }
    return fields;
}

std::vector<Page> layOut(const QString& dataFolder) {
    const CsvTable form = readCsv(dataFolder + QStringLiteral("/printform.csv"));
    std::vector<Page> pages;
    for (const QVariantList& row : form.rows)
        if (row[2].toString() == QLatin1String("sheet")) {
            if (row[0].toInt() != int(pages.size()) + 1) fail(QStringLiteral("printform.csv: sheets out of order"));
            pages.emplace_back().name = row[3].toString();
        }
    if (pages.empty()) fail(QStringLiteral("printform.csv names no sheet"));

    const std::vector<Field> fields = readFields(dataFolder + QStringLiteral("/fieldlist.csv"));
    double captionWidth = 0;
    for (const Field& f : fields)
        if (f.sheet > 1) captionWidth = std::max(captionWidth, workbook::textWidth(f.hint));
    pages[0].widths = {42, 18, 30};
    for (size_t p = 1; p < pages.size(); ++p) pages[p].widths = {std::ceil(captionWidth) + 3, kCodeWidth, kValueWidth};

    for (const QVariantList& row : form.rows) {
        const int sheet = row[0].toInt();
        const int line = row[1].toInt();
        const QString kind = row[2].toString();
        const QString text = row[3].toString();
        if (kind == QLatin1String("sheet")) continue;
        if (sheet < 1 || sheet > int(pages.size()) || line < 1) fail(QStringLiteral("printform.csv: no place for \"%1\"").arg(text));
        Page& page = pages[size_t(sheet - 1)];
        if (kind == QLatin1String("info")) {
            page.put(line, 3, kInfo, text);
        } else if (kind == QLatin1String("notice")) {
            page.putAcross(line, kNotice, text, 10);
        } else if (kind == QLatin1String("form-title")) {
            page.putAcross(line, kFormTitle, text, 22);
            page.heights[line] = 48;
        } else if (kind == QLatin1String("label")) {
            page.put(line, 1, kLabel, text);
            page.heights[line] = kCoverValueRowHeight;
        } else if (kind == QLatin1String("title")) {
            page.putAcross(line, kTitle, text, 14);
        } else if (kind == QLatin1String("note")) {
            page.putAcross(line, kNote, text, 10);
        } else if (kind == QLatin1String("heading")) {
            for (int c = 0; c < 3; ++c) {
                page.put(line, c + 1, kHeading, kHeadings[c]);
                page.put(line + 1, c + 1, kHeading, kHeadingMarks[c]);
            }
            page.heights[line] = page.heights[line + 1] = kRowHeight;
        } else {
            fail(QStringLiteral("printform.csv: unknown kind \"%1\"").arg(kind));
        }
    }

    for (const Field& f : fields) {
        if (f.sheet < 1 || f.sheet > int(pages.size())) fail(QStringLiteral("field %1: no sheet %2").arg(f.name).arg(f.sheet));
        Page& page = pages[size_t(f.sheet - 1)];
        const int row = f.place.row;
        if (f.sheet == 1) {
            if (f.place.column != 2) fail(QStringLiteral("field %1: cover values stand in column B").arg(f.name));
            page.put(row, 2, f.kind == 1 ? kCoverText : f.name == QLatin1String("c903") ? kCoverDivision : kCoverCode);
            page.put(row, 3, kCoverLine);
            page.merges << QStringLiteral("B%1:C%1").arg(row);
        } else {
            if (f.place.column != 3) fail(QStringLiteral("field %1: values stand in column C").arg(f.name));
            page.put(row, 1, kCaption, f.hint);
            page.put(row, 2, kCode, f.name);
            page.put(row, 3, f.kind == 2 ? kDecimal : kCount);
            page.heights[row] = kRowHeight;
        }
    }
    return pages;
}

void writeTemplate(const std::vector<Page>& pages, const QString& path) {
    std::vector<TemplateSheet> sheets;
    for (size_t i = 0; i < pages.size(); ++i) sheets.push_back({pages[i].name, worksheetXml(pages[i], kPrintLayout, i == 0)});
    writeTemplateFile(sheets, kStyles, path);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: mkprinttemplate <data folder> <template>\n");
        return 2;
    }
    try {
        writeTemplate(layOut(QString::fromLocal8Bit(argv[1])), QString::fromLocal8Bit(argv[2]));
    } catch (const workbook::Error& e) {
        std::fprintf(stderr, "mkprinttemplate: %s\n", qUtf8Printable(e.message()));
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mkprinttemplate: %s\n", e.what());
        return 1;
    }
    return 0;
}
