#include "widgets/RecordGrid.h"

#include "widgets/ErrorGuard.h"
#include "db/Error.h"
#include "db/RecordSet.h"

#include <QColor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>

namespace {

const QColor kOddRow(249, 251, 231);
const QColor kEvenRow(219, 219, 241);
const QColor kLime(0, 255, 0);
const QColor kInactiveTitle(212, 208, 200);

} // namespace

RecordListModel::RecordListModel(QObject* parent) : QAbstractTableModel(parent) {}

void RecordListModel::setFields(const TFieldDataArray& fields) {
    beginResetModel();
    fields_ = fields;
    resetTitles();
    matchFields();
    endResetModel();
}

void RecordListModel::resetTitles() {
    titles_.clear();
    for (const TFieldData& f : fields_) titles_ << f.title;
    titleColours_.clear();
    if (!fields_.empty()) emit headerDataChanged(Qt::Horizontal, 0, int(fields_.size()) - 1);
}

void RecordListModel::setRecords(db::RecordSet* records) {
    beginResetModel();
    records_ = records;
    matchFields();
    endResetModel();
}

void RecordListModel::matchFields() {
    fieldIndexes_.clear();
    for (const TFieldData& f : fields_) fieldIndexes_ << (records_ && records_->isOpen() ? records_->fieldIndex(f.showName) : -1);
}

void RecordListModel::setTitle(int column, const QString& title) {
    titles_[column] = title;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

bool RecordListModel::titleIsLime(int column) const { return titleColours_.value(column) == kLime; }

void RecordListModel::setTitleLime(int column, bool lime) {
    titleColours_.insert(column, lime ? kLime : kInactiveTitle);
    emit headerDataChanged(Qt::Horizontal, column, column);
}

GridSortState::Click RecordListModel::sortClick(GridSortState& sort, int column) const {
    const int previous = sort.lastColumn();
    return sort.click(column, fields_[size_t(column)].showName, title(column), titleIsLime(column),
                      previous >= 0 ? title(previous) : QString());
}

void RecordListModel::showSortClick(int column, const GridSortState::Click& click) {
    setTitle(column, click.title);
    if (click.recolour) setTitleLime(column, true);
    if (click.previousColumn >= 0) {
        setTitle(click.previousColumn, click.previousTitle);
        setTitleLime(click.previousColumn, false);
    }
}

int RecordListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !records_ || !records_->isOpen()) return 0;
    return int(records_->rowCount());
}

int RecordListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(fields_.size()); }

QVariant RecordListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !records_) return {};
    switch (role) {
    case Qt::DisplayRole: {
        const QVariant value = records_->valueAt(index.row(), fieldIndexes_.value(index.column(), -1));
        return value.isNull() ? QVariant() : QVariant(db::variantToText(value));
    }
    case Qt::BackgroundRole: return (index.row() + 1) % 2 ? kOddRow : kEvenRow;
    case Qt::TextAlignmentRole:
        return fields_[size_t(index.column())].showName == QLatin1String("RecordState")
                   ? QVariant(Qt::AlignCenter)
                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default: return {};
    }
}

QVariant RecordListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole) return records_ && records_->position() == section ? QStringLiteral("▶") : QString();
        return {};
    }
    switch (role) {
    case Qt::DisplayRole: return titles_.value(section);
    case Qt::TextAlignmentRole: return Qt::AlignCenter;
    case Qt::BackgroundRole:
        return titleColours_.contains(section) ? QVariant(titleColours_.value(section)) : QVariant();
    default: return {};
    }
}

RecordGridView::RecordGridView(QWidget* parent) : QTableView(parent), model_(new RecordListModel(this)) {
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(16);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    // The selection stays visible when the grid has no focus.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { runShowingErrors([&] { sortOnColumn(column); }); });
}

void RecordGridView::build(const TFieldDataArray& fields) {
    sort_.reset();
    model_->setFields(fields);
    for (int c = 0; c < int(fields.size()); ++c) {
        setColumnWidth(c, fields[size_t(c)].width);
        setColumnHidden(c, !fields[size_t(c)].visible);
    }
}

void RecordGridView::attach(db::RecordSet* records) {
    model_->setRecords(records);
    refresh();
}

void RecordGridView::refresh() {
    const int column = std::max(0, currentIndex().column());
    const int scroll = horizontalScrollBar()->value();
    following_ = true;
    model_->setRecords(model_->records());
    db::RecordSet* records = model_->records();
    if (records && records->isOpen() && !records->isEmpty() && !records->atEnd()) {
        const QModelIndex index = model_->index(int(records->position()), column);
        setCurrentIndex(index);
        if (selectedRows_.size() > 1) restoreSelection();
        scrollTo(index);
        horizontalScrollBar()->setValue(scroll);
    }
    following_ = false;
    rememberSelection();
}

void RecordGridView::rememberSelection() {
    selectedRows_.clear();
    db::RecordSet* records = model_->records();
    if (!records || !records->isOpen()) return;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom() && row < records->rowCount(); ++row)
            selectedRows_.insert(records->rowIdAt(row));
}

void RecordGridView::restoreSelection() {
    db::RecordSet* records = model_->records();
    const int rows = int(records->rowCount());
    const int lastColumn = model_->columnCount() - 1;
    QItemSelection selection;
    int first = -1;  // first row of the run of selected rows being collected
    for (int row = 0; row <= rows; ++row) {
        const bool selected = row < rows && selectedRows_.count(records->rowIdAt(row)) > 0;
        if (selected && first < 0) first = row;
        if (!selected && first >= 0) {
            selection.select(model_->index(first, 0), model_->index(row - 1, lastColumn));
            first = -1;
        }
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void RecordGridView::rerunLater(int row) {
    if (row >= 0) rerunRow_ = row;
    if (rerunPending_) return;
    rerunPending_ = true;
    QTimer::singleShot(0, this, [this] {
        rerunPending_ = false;
        const int target = std::exchange(rerunRow_, -1);
        db::RecordSet* records = model_->records();
        if (!records || !records->isOpen()) return;
        runShowingErrors([&] {
            records->requery();
            if (target >= 0 && !records->isEmpty()) records->moveTo(std::min<qint64>(target, records->rowCount() - 1));
        });
        refresh();
        emit listRerun();
    });
}

void RecordGridView::sortOnColumn(int column) {
    db::RecordSet* records = model_->records();
    if (!records || !records->isOpen()) return;
    const GridSortState::Click click = model_->sortClick(sort_, column);
    records->sort(click.order);
    model_->showSortClick(column, click);
    refresh();
}

void RecordGridView::showSortedBy(int column) {
    model_->setTitle(column, GridSortState::withoutArrow(model_->title(column)) + GridSortState::kUp);
    model_->setTitleLime(column, true);
    sort_.markSorted(column);
}

void RecordGridView::forgetSort() {
    sort_.reset();
    model_->resetTitles();
}

void RecordGridView::keyPressEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat()) pressedKey_ = event->key();
    QTableView::keyPressEvent(event);
}

void RecordGridView::keyReleaseEvent(QKeyEvent* event) {
    // The release of a key pressed elsewhere (Enter that closed a message box) is not the grid's.
    if (event->isAutoRepeat() || std::exchange(pressedKey_, 0) != event->key()) {
        QTableView::keyReleaseEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: emit enterReleased(); break;
    case Qt::Key_Insert: emit insertReleased(); break;
    case Qt::Key_Delete: emit deleteReleased(); break;
    default: QTableView::keyReleaseEvent(event); return;
    }
    event->accept();
}

void RecordGridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    db::RecordSet* records = model_->records();
    if (following_ || !records || !records->isOpen() || !current.isValid()) return;
    if (current.row() != previous.row()) {
        try {
            records->moveTo(current.row());
        } catch (const db::Error&) {
            // The row is gone (or could not be read): the list runs again and then goes there.
            rerunLater(current.row());
            return;
        }
        emit model_->headerDataChanged(Qt::Vertical, std::max(0, previous.row()), current.row());
    }
}

void RecordGridView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    QTableView::selectionChanged(selected, deselected);
    if (!following_) rememberSelection();
}

void RecordGridView::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    db::RecordSet* records = model_->records();
    if (records && records->isOpen() && records->hasVanishedRows()) rerunLater(-1);
}
