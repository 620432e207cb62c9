#pragma once

#include "summary/SummaryStatements.h"

#include <QList>
#include <QString>
#include <memory>

namespace db {
class Connection;
}
namespace ui {
class ProgressSink;
}
namespace workbook {
class Workbook;
}

namespace summary {

// The summary template in the program folder: the cover and the 23 tables.
inline QString summaryTemplateName() { return QStringLiteral("2019基层以上汇总表.xltx"); }

// The rows of a table sheet: the total row, the row above the data and the
// first data row.
constexpr int kTotalRow = 8;
constexpr int kFirstDataRow = 10;

// One summary workbook being filled: a new copy of the summary template.
class SummaryWorkbook {
public:
    // Opens the template; raises workbook::Error when it is missing or unreadable.
    explicit SummaryWorkbook(const QString& templatePath);
    ~SummaryWorkbook();

    // Fills table sheet `sheet` (2 to 24; other numbers are ignored) with the
    // breakdown's rows (see breakdownTables) from row 10 on, the breakdown's
    // name as column A's heading and, for the level and state breakdowns,
    // `weightedTotal` (see weightedTotals) in the total row of sheets 21 and 22.
    // Weighted averages show two decimals. The lower progress bar steps once
    // per cell (a step of the task).
    void WriteSummarySheet(int sheet, Breakdown breakdown, const std::vector<SummaryRow>& rows,
                           const QVariant& weightedTotal, ui::ProgressSink& progress);
    // Deletes the sheets not chosen (sheet numbers 1 to 24; the cover too when
    // it is not among them) and makes the first remaining sheet the active one.
    void FinishSummary(const QList<int>& chosenSheets);

    workbook::Workbook& book() { return *book_; }

private:
    std::unique_ptr<workbook::Workbook> book_;
};

// A whole summary run, for the summary dialog and the command line alike:
// fills a new copy of the summary template (from the program folder) with the
// chosen sheets (numbers 1 to 24, the cover being 1) broken down as asked
// (`groupId` names the grouping for Breakdown::Grouping), saves it into the
// documents folder as "2019基层以上汇总表-<label>-<yyyy-mm-dd>.xlsx" ("…(2).xlsx"
// and so on when the name is taken: no file is ever overwritten) and hands it
// to the desktop's default application (see setFileOpener in core/Platform.h
// for a run without one). The progress steps once per chosen sheet, its task
// once per cell. With a `destination` the workbook is saved
// there instead (replacing a file of that name) and not handed on.
//
// Returns the saved file's path; returns an empty text, having saved nothing,
// when no sheet is chosen, when a run is already going on, and, after showing
// the system's message, when only the cover is chosen ("除去封面，请至少选择一个表格进行汇总"),
// when the template is missing or unreadable, or on a database or disk error
// ("运行中发生错误：…").
QString RunSummary(db::Connection& connection, const QString& label, const QList<int>& chosenSheets, Breakdown breakdown,
                   qint64 groupId, ui::ProgressSink& progress, const QString& destination = {});

} // namespace summary
