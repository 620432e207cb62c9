#pragma once

#include "workbook/Error.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVariant>
#include <memory>

// Workbooks in the Office Open XML format (.xlsx, and .xltx templates), read
// and written by the program itself: everything the summary, the table export
// and the record print ask of a spreadsheet application.
namespace workbook {

// A cell by row and column, both counted from 1.
struct CellAddress {
    int row = 1;
    int column = 1;
    bool operator==(const CellAddress&) const = default;
};

// A cell named in A1 notation: column letters (one to three, up to XFD) and a
// row number, each optionally behind "$"; "AB12" is row 12, column 28.
// Raises Error for anything else.
CellAddress cellAt(QStringView a1);
// The A1 name of a cell: {12, 28} is "AB12".
QString cellName(CellAddress cell);

// A rectangle of cells, corners included.
struct CellRange {
    CellAddress first;
    CellAddress last;
};
// "A9:A20", or one cell "B3". Raises Error for anything else.
CellRange rangeAt(QStringView a1);

// The width a text takes in a cell of the default font, in widths of a
// digit: Chinese and other wide characters count double; for text of several
// lines, the longest line.
double textWidth(const QString& text);

enum class Alignment { General, Left, Center, Right };

// The format of a cell as the spreadsheet shows it.
struct CellFormat {
    QString numberFormat;  // "General" when the cell has none
    double fontSize = 11;
    bool bold = false;
    Alignment alignment = Alignment::General;
};

struct BookData;
struct SheetData;

// One worksheet. A handle that stays valid while its workbook lives and the
// sheet is not deleted.
class Sheet {
public:
    QString name() const;
    // Names the sheet. A name must have 1 to 31 characters, none of
    // : \ / ? * [ ], must not begin or end with an apostrophe and must differ
    // from the other sheets' names (in any letter case); otherwise raises
    // Error and the sheet keeps its name.
    void setName(const QString& name);

    // The value as text: a text as it is, a number in its shortest exact form
    // ("110101000001", "12.5"), the cached result of a formula; empty for an
    // empty cell.
    QString text(CellAddress cell) const;
    // The formula of a cell without its "=", empty when it has none.
    QString formula(CellAddress cell) const;
    // Writes a value; the cell keeps its format. Whole and floating-point
    // numbers become numbers; a null value or an empty text empties the cell;
    // anything else becomes its text, kept as text however it looks ("0101"
    // stays "0101"). A formula in the cell is replaced.
    void setValue(CellAddress cell, const QVariant& value);

    // Inserts `count` empty rows at `row`: that row and the rows below move
    // down by `count` with their cells, formats and heights; merged ranges
    // below move and merged ranges across it grow; references to moved cells
    // in every formula of the workbook and in its defined names follow them.
    // The new rows take the height and cell formats of the row above, as
    // spreadsheet applications do.
    void insertRow(int row, int count = 1);

    // Sets the width of a column to fit the longest value shown in it, with
    // Chinese and other wide characters counting double. Cells merged across
    // several columns are left out. A column without values keeps its width.
    void autoFitColumn(int column);
    double columnWidth(int column) const;  // in characters; 0 when the sheet's default applies
    double rowHeight(int row) const;       // in points; 0 when the sheet's default applies

    // The number format of a whole column: cells already in it and cells
    // written into it later, as when the column's format is set in a
    // spreadsheet application.
    void setColumnNumberFormat(int column, const QString& format);
    void setNumberFormat(const CellRange& range, const QString& format);
    void setFont(const CellRange& range, double size, bool bold);
    void setAlignment(const CellRange& range, Alignment alignment);
    CellFormat format(CellAddress cell) const;

    // The merged ranges of the sheet in A1 notation ("A1:C1").
    QStringList mergedRanges() const;

private:
    friend class Workbook;
    Sheet(BookData* book, SheetData* sheet) : book_(book), sheet_(sheet) {}
    BookData* book_;
    SheetData* sheet_;
};

class Workbook {
public:
    // A new workbook from a workbook or template file, with its sheets in the
    // file's order. Raises Error when the file cannot be read or is not a
    // workbook.
    static Workbook open(const QString& path);
    // A new workbook with one empty sheet, "Sheet1".
    static Workbook blank();

    Workbook(Workbook&&) noexcept;
    Workbook& operator=(Workbook&&) noexcept;
    ~Workbook();

    int sheetCount() const;
    // Sheet n, counted from 1 in workbook order. Raises Error when there is none.
    Sheet sheet(int n);
    // Deletes sheet n; the later sheets move up by one. The last sheet cannot
    // be deleted. Raises Error.
    void deleteSheet(int n);
    // The sheet that shows when the file is opened.
    void setActiveSheet(int n);
    int activeSheet() const;

    // Saves as an .xlsx workbook (a template becomes a plain workbook).
    // Written under a temporary name and renamed, so a failure leaves any
    // earlier file at `path` as it was. Raises Error.
    void save(const QString& path);

private:
    friend class SheetWriter;
    explicit Workbook(std::unique_ptr<BookData> data);
    std::unique_ptr<BookData> d;
};

// Hands a finished workbook to the user, as a spreadsheet application shows
// it: saves it into the user's documents folder as "<name>.xlsx" (or
// "<name>(2).xlsx" and so on when that file exists: no file is overwritten)
// and opens it with the desktop's default application. The name is
// `prefix` + `part` + `suffix`, with `part` (a label) made fit for a file
// name by fileNameWithPart. Returns the saved file's path. Raises Error when
// it cannot be saved.
QString showToUser(Workbook& book, const QString& prefix, const QString& part, const QString& suffix);

} // namespace workbook
