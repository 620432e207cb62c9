#pragma once

#include "workbook/Workbook.h"

#include <QVariantList>
#include <memory>

namespace workbook {

// A workbook of one sheet written row by row, for exports of any size: each
// row goes to a temporary file as it is written, and saving packs that file
// into the workbook, so the memory used does not grow with the rows. The
// columns' widths are fitted to the values written.
class SheetWriter {
public:
    // A workbook whose one sheet is named `sheetName` (checked as
    // Sheet::setName checks it) and has `columns` columns. Raises Error.
    SheetWriter(const QString& sheetName, int columns);
    ~SheetWriter();
    SheetWriter(const SheetWriter&) = delete;
    SheetWriter& operator=(const SheetWriter&) = delete;

    // Formats, set before the first row is written.
    void setColumnNumberFormat(int column, const QString& format);
    void setNumberFormat(CellAddress cell, const QString& format);
    void setFont(CellAddress cell, double size, bool bold);

    // Writes `values` into row `row`, columns 1, 2, 3, ...; rows come in
    // ascending order. Values are taken as Sheet::setValue takes them.
    // Raises Error.
    void writeRow(int row, const QVariantList& values);

    // Saves the workbook as Workbook::save does; no row can follow. Raises Error.
    void save(const QString& path);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace workbook
