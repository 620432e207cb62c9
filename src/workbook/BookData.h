#pragma once

// The in-memory form of a workbook; internal to the workbook layer.
//
// A worksheet keeps its cells, rows and columns as data, since those are what
// the program reads, writes and moves; everything else of the worksheet part
// (views, merged ranges, page set-up, ...) stays as the XML it came in and is
// written back as it is. Texts are kept in the cells and collected into the
// shared-string table when the workbook is saved.

#include "workbook/Package.h"
#include "workbook/StyleSheet.h"
#include "workbook/Workbook.h"
#include "workbook/Xml.h"

#include <map>
#include <unordered_map>
#include <memory>

namespace workbook {

enum class CellKind : unsigned char { Empty, Number, Text, Boolean, Error };

struct Formula {
    std::string text;       // without "="
    Attributes attributes;  // of the <f> element: shared or array formulas
};

struct Cell {
    int column = 0;
    int style = 0;
    CellKind kind = CellKind::Empty;
    std::string value;  // the number as written, the text (UTF-8), "0"/"1", or the error
    std::unique_ptr<Formula> formula;
};

struct Row {
    int number = 0;
    Attributes attributes;    // height, format, ... as read (without the row number and spans)
    std::vector<Cell> cells;  // by ascending column
};

// Counts what reading a workbook expands to and refuses a workbook that
// expands beyond what any template needs (tens of sheets of thousands of
// cells): a small hostile file whose one long shared text fills a great many
// cells would otherwise take the whole memory.
class ReadLimits {
public:
    // Counts a row or a cell and the bytes of its text; raises Error naming
    // the part when the workbook grows past the limits.
    void add(const std::string& part, size_t textBytes);

private:
    size_t entries_ = 0;
    size_t textBytes_ = 0;
};

struct SheetData {
    QString name;
    pugi::xml_node entry;  // its <sheet> element in the workbook part
    std::string part;      // "xl/worksheets/sheet1.xml"
    pugi::xml_document xml;  // the worksheet part, its <sheetData> emptied and <cols> taken out
    std::vector<Row> rows;   // by ascending number
    std::map<int, Attributes> columns;  // width, format, ... of each column that has any

    void load(const std::string& bytes, const std::vector<std::string>& sharedStrings, ReadLimits& limits);
    // The worksheet part; texts are added to the shared strings.
    std::string save(class SharedStrings& strings);
};

// The shared-string table written with a workbook.
class SharedStrings {
public:
    int indexOf(const std::string& text);
    bool empty() const { return texts_.empty(); }
    std::string bytes() const;

private:
    std::vector<std::string_view> texts_;  // views of the cells' texts while the workbook is saved
    std::unordered_map<std::string_view, int> numbers_;
    size_t uses_ = 0;
};

// The kind and text a cell gets for a value, as Sheet::setValue writes it.
// Raises Error for a value no cell can hold.
CellKind cellContent(const QVariant& value, CellAddress address, std::string& text);
// Appends a cell of row `row` to a worksheet part; its text goes into
// `strings`, or into the cell itself when `strings` is null.
void appendCell(std::string& out, int row, const Cell& cell, SharedStrings* strings);
// Appends the <t> element of a string item.
void appendStringItem(std::string& out, std::string_view text);

// The widest value shown in a column, gathered cell by cell, for fitting the
// column's width: texts by their characters, numbers as their format shows
// them, each scaled by its font.
class ColumnFit {
public:
    void add(const Cell& cell);
    // The fitted width in characters; 0 when no value was added.
    double width(const StyleSheet& styles) const;

private:
    struct Shown {
        double widestText = 0;
        double least = 0;
        double most = 0;
        size_t longestNumber = 0;  // characters of the longest number as written
        size_t numbers = 0;
    };
    std::map<int, Shown> byStyle_;
};

struct BookData {
    Package package;
    pugi::xml_document contentTypes;
    std::string workbookPart;  // "xl/workbook.xml"
    pugi::xml_document workbook;
    std::string relationsPart;  // "xl/_rels/workbook.xml.rels"
    pugi::xml_document relations;
    std::string stylesPart;
    std::unique_ptr<StyleSheet> styles;
    std::vector<std::unique_ptr<SheetData>> sheets;
};

// Writes the workbook to `path` with the sheets' parts already in its
// package and `strings` as its shared-string table.
void writeBook(BookData& book, const SharedStrings& strings, const QString& path);

} // namespace workbook
