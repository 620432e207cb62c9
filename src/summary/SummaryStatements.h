#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <map>
#include <vector>

namespace db {
class Connection;
}

// The summary tables: one per page of the printed survey form, each computed
// by one aggregate statement over the returns in dt_data and broken down by
// union level, by reporting state or by the items of a custom grouping.
namespace summary {

// Sheet 1 of the summary workbook is the cover; sheets 2 to 24 are tables.
constexpr int kSummarySheetCount = 24;
constexpr int kFirstTableSheet = 2;

enum class IndicatorKind {
    Count,            // the number of returns (only on sheet 2)
    Plain,            // the sum
    YesNo,            // coded 1 = yes, 2 = no: two columns, the returns with 1 and those with 2 or 0
    WeightedAverage,  // d017 weighted by d012, d033 weighted by x001
};

struct SummaryIndicator {
    QString field;  // empty for the count
    IndicatorKind kind;
};

struct SummarySheet {
    QString name;  // the worksheet's name
    std::vector<SummaryIndicator> indicators;
};

// The 24 sheets in workbook order; the cover has no indicators.
const std::vector<SummarySheet>& summarySheets();
// The worksheet columns a table fills, from column B: one per indicator, two
// for a yes/no indicator.
int resultColumnCount(const SummarySheet& sheet);
// The weight of a weighted-average indicator ("d012" for d017, "x001" for d033).
QString averageWeight(const QString& field);

// The aggregate statement of table sheet `sheet` (2 to 24): its result
// columns in order, over the returns with a positive unit code. The breakdowns
// compute the same values for several sheets at once.
QString aggregateStatement(int sheet);

enum class Breakdown { Level = 0, State = 1, Grouping = 2 };

// One row of a breakdown: its label and its result values, each a whole
// number, a real (the weighted averages) or null (a level or state without
// returns).
struct SummaryRow {
    QString label;
    QVariantList values;
};

// The rows of table sheets by sheet number.
using BreakdownTables = std::map<int, std::vector<SummaryRow>>;

// The rows of the table sheets `sheets` (2 to 24) broken down as asked, in the
// order a sheet shows them: levels and states by ascending sequence (every
// code, those without returns included), grouping items in the grouping's
// stored order, sorted as the grouping editor sorts them (`groupId` 0: the
// items of every grouping). The values are those of each sheet's aggregate
// statement, but all the sheets are computed together: one pass over dt_data
// for a level or state breakdown, one pass over each item's range of unit
// codes for a grouping. Raises db::Error.
BreakdownTables breakdownTables(db::Connection& connection, const QList<int>& sheets, Breakdown breakdown, qint64 groupId);
// The same for one sheet.
std::vector<SummaryRow> breakdownRows(db::Connection& connection, int sheet, Breakdown breakdown, qint64 groupId);

// The weighted averages over every return, whatever its unit code, that the
// total rows of sheet 21 (d017) and sheet 22 (d033) show, for those of
// `sheets` that have one, read in one pass. Raises db::Error.
std::map<int, QVariant> weightedTotals(db::Connection& connection, const QList<int>& sheets);

// A grouping's stored order with its direction turned: the first "desc" (any
// case) becomes "asc" when the text holds the upper-case word DESC, otherwise
// the first "asc" becomes "desc" when it holds ASC; any other text stays as it
// is. An empty order stands for "id ASC".
QString reversedOrder(const QString& order);

} // namespace summary
