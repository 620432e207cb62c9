#include "lists/QueryListForm.h"

#include "core/FieldData.h"
#include "core/Prompt.h"
#include "core/Startup.h"
#include "db/Error.h"
#include "entry/SurveyDataForm.h"
#include "lists/DeleteRecords.h"
#include "lists/QueryResult.h"
#include "lists/TableExport.h"
#include "widgets/DialogParts.h"
#include "widgets/RecordGrid.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kKeyField = QStringLiteral("c901");

} // namespace

TdlgQueryListForm::TdlgQueryListForm(const SearchContext& context, QWidget* parent)
    : QDialog(parent), context_(context), grid_(new RecordGridView(this)), count_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("查询结果列表"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    setFixedSize(915, 412);
    CentreOnScreen(this);
    grid_->setObjectName(QStringLiteral("QueryGrid"));
    grid_->setFixedSize(913, 360);
    count_->setObjectName(QStringLiteral("CountLabel"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 0, 1, 4);
    layout->addWidget(grid_);
    auto* row = new QHBoxLayout;
    row->addWidget(count_, 1);
    QPushButton* change = MakeButton(this, "tbChange", QStringLiteral("修改数据信息"));
    QPushButton* remove = MakeButton(this, "tbDelete", QStringLiteral("删除数据信息"));
    QPushButton* exports = MakeButton(this, "tbExport", QStringLiteral("导出查询结果"));
    auto* exportMenu = new QMenu(exports);
    QAction* details = exportMenu->addAction(QStringLiteral("导出详细数据为Access文件"));
    details->setObjectName(QStringLiteral("actExportDetails"));
    QAction* listed = exportMenu->addAction(QStringLiteral("导出结果列表为Excel文件"));
    listed->setObjectName(QStringLiteral("actExportList"));
    exports->setMenu(exportMenu);
    QPushButton* back = MakeButton(this, "tbReturn", QStringLiteral("返  回"));
    for (QPushButton* button : {change, remove, exports, back}) row->addWidget(button);
    layout->addLayout(row);

    connect(change, &QPushButton::clicked, this, &TdlgQueryListForm::changeRecord);
    connect(grid_, &RecordGridView::doubleClicked, this, &TdlgQueryListForm::changeRecord);
    connect(grid_, &RecordGridView::enterReleased, this, &TdlgQueryListForm::changeRecord);
    connect(remove, &QPushButton::clicked, this, &TdlgQueryListForm::deleteRecords);
    connect(grid_, &RecordGridView::deleteReleased, this, &TdlgQueryListForm::deleteRecords);
    connect(details, &QAction::triggered, this, &TdlgQueryListForm::exportDetails);
    connect(listed, &QAction::triggered, this, &TdlgQueryListForm::exportList);
    connect(grid_, &RecordGridView::listRerun, this, &TdlgQueryListForm::showCount);
    connect(back, &QPushButton::clicked, this, &QDialog::accept);
}

TdlgQueryListForm::~TdlgQueryListForm() { result_.close(); }

void TdlgQueryListForm::load(const QString& whereClause) {
    result_.close();
    whereClause_ = whereClause;
    // Opened by its key: the rows are read when drawn, so a large result opens at once.
    result_.openKeyed(context_.database->connection, QueryResultSql(whereClause), kKeyField);
}

void TdlgQueryListForm::showEvent(QShowEvent* event) {
    if (!built_) buildGrid();
    QDialog::showEvent(event);
}

void TdlgQueryListForm::buildGrid() {
    built_ = true;
    TFieldDataArray visible;
    for (TFieldData& field : LoadFieldDataArray(context_.database->connection))
        if (field.visible) visible.push_back(std::move(field));
    if (!visible.empty()) {
        grid_->build(visible);
        grid_->showSortedBy(0);
    }
    grid_->attach(&result_);
    showCount();
}

void TdlgQueryListForm::showCount() {
    count_->setText(QStringLiteral("符合条件的数据总数：") + QString::number(result_.isOpen() ? result_.rowCount() : 0));
}

void TdlgQueryListForm::changeRecord() {
    if (!result_.isOpen() || result_.isEmpty() || result_.atEnd() || !context_.entryDialog) return;
    TdlgSurveyDataForm* entry = context_.entryDialog;
    entry->setAddMode(false);
    entry->setPrintCode(result_.integer(kKeyField));
    entry->setRecordList(&result_);
    entry->exec();
    // The entry dialog outlives this list; it must not keep pointing at it.
    entry->setRecordList(nullptr);
    grid_->refresh();
    showCount();
}

void TdlgQueryListForm::deleteRecords() {
    if (!result_.isOpen()) return;
    try {
        DeleteSelectedRecords(*grid_, context_.database->connection, result_, QStringLiteral("dt_data"), kKeyField);
    } catch (const db::Error& e) {
        ui::showRunError(e.message(), ui::contactTail());
    }
    grid_->refresh();
    showCount();
}

void TdlgQueryListForm::exportDetails() {
    // The detail query runs only for its export: it copies every column of every record.
    db::RecordSet details;
    try {
        details.open(context_.database->connection, QueryDetailSql(whereClause_));
    } catch (const db::Error& e) {
        ui::showRunError(e.message(), ui::contactTail());
        return;
    }
    SaveQueryAsAccess(details, QueryResultExportName());
}

void TdlgQueryListForm::exportList() {
    if (!result_.isOpen()) return;
    QList<ResultColumn> columns;
    const RecordListModel* model = grid_->listModel();
    for (int c = 0; c < model->columnCount(); ++c) columns.append({model->fields()[size_t(c)].showName, model->title(c)});
    // The export walks the result; the grid then returns to the row it was on.
    const qint64 row = result_.position();
    SaveQueryAsExcel(result_, QueryResultExportName(), QueryExportColumns(result_, columns));
    if (result_.isOpen() && !result_.isEmpty()) result_.moveTo(std::min(row, result_.rowCount() - 1));
    grid_->refresh();
}

bool ShowQueryResult(const SearchContext& context, const QString& whereClause, QWidget* parent) {
    TdlgQueryListForm list(context, parent);
    try {
        list.load(whereClause);
    } catch (const db::Error& e) {
        ui::showMessage(e.message());
        return false;
    }
    list.exec();
    // Records of the result may have been changed or deleted meanwhile.
    context.database->announceRecordsChanged();
    return true;
}
