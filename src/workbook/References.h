#pragma once

// Cell names and the references inside formulas; internal to the workbook layer.

#include <QString>
#include <string>
#include <string_view>

namespace workbook {

constexpr int kMaxRow = 1048576;
constexpr int kMaxColumn = 16384;  // XFD

// "AB12" or "$AB$12"; false for anything else.
bool parseCellName(std::string_view name, int& row, int& column);
void appendCellName(std::string& out, int row, int column);

// The formula with every reference to row `row` or below of the sheet
// `target` moved down by `count` rows. References without a sheet name belong
// to the formula's own sheet: they move when `ownSheetIsTarget`. A range that
// starts above `row` and ends at or below it grows by `count` rows.
std::string moveRowsDown(std::string_view formula, bool ownSheetIsTarget, const QString& target, int row, int count = 1);

} // namespace workbook
