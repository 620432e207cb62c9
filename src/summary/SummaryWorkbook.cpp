#include "summary/SummaryWorkbook.h"

#include "core/Platform.h"
#include "core/Progress.h"
#include "core/Prompt.h"
#include "db/Error.h"
#include "workbook/Workbook.h"

#include <QDate>

namespace summary {

namespace {

const QString kTemplateFailure = QStringLiteral("打开汇总模版文件时发生错误，可能是没有安装MS Office或者WPS Office中的Excel");

// Column A's heading names the breakdown.
QString breakdownCaption(Breakdown breakdown) {
    switch (breakdown) {
    case Breakdown::Level: return QStringLiteral("工会层次");
    case Breakdown::State: return QStringLiteral("填报状态");
    case Breakdown::Grouping: break;
    }
    return QStringLiteral("分    组");
}

// The heading goes below the heading text already in column A: into A4 when
// A3 holds text, A3 when only A2 does, otherwise A2.
int captionRow(const workbook::Sheet& sheet) {
    if (!sheet.text({3, 1}).isEmpty()) return 4;
    if (!sheet.text({2, 1}).isEmpty()) return 3;
    return 2;
}

// The worksheet column of a sheet's weighted average (E on sheet 21, J on
// sheet 22), 0 when it has none.
int weightedAverageColumn(const SummarySheet& layout) {
    int column = 2;
    for (const SummaryIndicator& indicator : layout.indicators) {
        if (indicator.kind == IndicatorKind::WeightedAverage) return column;
        column += indicator.kind == IndicatorKind::YesNo ? 2 : 1;
    }
    return 0;
}

const QString kAverageFormat = QStringLiteral("0.00");

// Set while a run goes on: the progress window lets the user interface work
// meanwhile, and a second run must not start inside the first.
bool running = false;

} // namespace

SummaryWorkbook::SummaryWorkbook(const QString& templatePath)
    : book_(std::make_unique<workbook::Workbook>(workbook::Workbook::open(templatePath))) {}

SummaryWorkbook::~SummaryWorkbook() = default;

void SummaryWorkbook::WriteSummarySheet(int sheet, Breakdown breakdown, const std::vector<SummaryRow>& rows,
                                        const QVariant& weightedTotal, ui::ProgressSink& progress) {
    if (sheet < kFirstTableSheet || sheet > kSummarySheetCount) return;
    workbook::Sheet target = book_->sheet(sheet);
    target.setValue({captionRow(target), 1}, breakdownCaption(breakdown));

    const SummarySheet& layout = summarySheets()[size_t(sheet - 1)];
    const int columns = 1 + resultColumnCount(layout);
    progress.startTask(int(rows.size()) * columns);
    // Rows are inserted at the first data row, so the total row's sums grow
    // over every row written.
    if (rows.size() > 1) target.insertRow(kFirstDataRow, int(rows.size()) - 1);
    for (size_t r = 0; r < rows.size(); ++r) {
        const int row = kFirstDataRow + int(r);
        target.setValue({row, 1}, rows[r].label);
        progress.stepTask();
        for (int v = 0; v < rows[r].values.size(); ++v) {
            target.setValue({row, 2 + v}, rows[r].values[v]);
            progress.stepTask();
        }
    }
    const int lastRow = kFirstDataRow - 1 + std::max(1, int(rows.size()));
    target.autoFitColumn(1);
    target.setAlignment({{kFirstDataRow - 1, 1}, {lastRow, 1}}, workbook::Alignment::Left);

    // A weighted average shows two decimals; the cell keeps the exact value.
    const int averageColumn = weightedAverageColumn(layout);
    if (averageColumn == 0) return;
    if (!rows.empty()) target.setNumberFormat({{kFirstDataRow, averageColumn}, {lastRow, averageColumn}}, kAverageFormat);
    if (breakdown != Breakdown::Grouping) {
        target.setValue({kTotalRow, averageColumn}, weightedTotal);
        target.setNumberFormat({{kTotalRow, averageColumn}, {kTotalRow, averageColumn}}, kAverageFormat);
    }
}

void SummaryWorkbook::FinishSummary(const QList<int>& chosenSheets) {
    // From the last sheet to the first, so the numbers of the sheets still to
    // be looked at do not change.
    for (int sheet = kSummarySheetCount; sheet >= 1; --sheet)
        if (!chosenSheets.contains(sheet) && book_->sheetCount() > 1) book_->deleteSheet(sheet);
    book_->setActiveSheet(1);
}

QString RunSummary(db::Connection& connection, const QString& label, const QList<int>& chosenSheets, Breakdown breakdown,
                   qint64 groupId, ui::ProgressSink& progress, const QString& destination) {
    if (running || chosenSheets.isEmpty()) return {};
    if (chosenSheets == QList<int>{1}) {
        ui::showMessage(QStringLiteral("除去封面，请至少选择一个表格进行汇总"));
        return {};
    }
    std::unique_ptr<SummaryWorkbook> summary;
    try {
        summary = std::make_unique<SummaryWorkbook>(programFolder() + summaryTemplateName());
    } catch (const workbook::Error&) {
        ui::showMessage(kTemplateFailure);
        return {};
    }
    running = true;
    struct EndOfRun {
        ~EndOfRun() { running = false; }
    } endOfRun;
    try {
        progress.start(int(chosenSheets.size()), 0);
        QList<int> tableSheets = chosenSheets;
        tableSheets.removeAll(1);
        const BreakdownTables tables = breakdownTables(connection, tableSheets, breakdown, groupId);
        const std::map<int, QVariant> totals =
            breakdown == Breakdown::Grouping ? std::map<int, QVariant>{} : weightedTotals(connection, tableSheets);
        for (int sheet = 1; sheet <= kSummarySheetCount; ++sheet) {
            if (!chosenSheets.contains(sheet)) continue;
            const auto total = totals.find(sheet);
            if (tables.count(sheet))
                summary->WriteSummarySheet(sheet, breakdown, tables.at(sheet), total == totals.end() ? QVariant() : total->second,
                                           progress);
            progress.step();
        }
        progress.hide();
        summary->FinishSummary(chosenSheets);
        if (!destination.isEmpty()) {
            summary->book().save(destination);
            return destination;
        }
        return workbook::showToUser(summary->book(), QStringLiteral("2019基层以上汇总表-"), label,
                                    QStringLiteral("-") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    } catch (const std::runtime_error& e) {  // a database or workbook error, with its message for the user
        progress.hide();
        ui::showRunError(QString::fromStdString(e.what()), ui::contactTail());
    }
    return {};
}

} // namespace summary
