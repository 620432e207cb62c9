#include "summary/GroupGrid.h"

#include "db/RecordSet.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace {

const QColor kOddRow(249, 251, 231);
const QColor kEvenRow(219, 219, 241);
const QColor kLime(0, 255, 0);
const QColor kButtonFace(212, 208, 200);

} // namespace

GroupGridModel::GroupGridModel(QList<GroupGridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), columns_(std::move(columns)) {
    for (const GroupGridColumn& c : columns_) titles_ << c.title;
}

void GroupGridModel::setRecords(db::RecordSet* records) {
    beginResetModel();
    records_ = records;
    fieldIndexes_.clear();
    for (const GroupGridColumn& c : columns_)
        fieldIndexes_ << (records_ && records_->isOpen() ? records_->fieldIndex(c.field) : -1);
    endResetModel();
}

void GroupGridModel::setTitle(int column, const QString& title) {
    titles_[column] = title;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

bool GroupGridModel::titleIsLime(int column) const { return titleColours_.value(column) == kLime; }

void GroupGridModel::setTitleLime(int column, bool lime) {
    titleColours_.insert(column, lime ? kLime : kButtonFace);
    emit headerDataChanged(Qt::Horizontal, column, column);
}

int GroupGridModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !records_ || !records_->isOpen()) return 0;
    return int(records_->rowCount());
}

int GroupGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(columns_.size()); }

QVariant GroupGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !records_) return {};
    if (role == Qt::BackgroundRole) return (index.row() + 1) % 2 ? kOddRow : kEvenRow;
    if (role != Qt::DisplayRole) return {};
    const QVariant value = records_->valueAt(index.row(), fieldIndexes_.value(index.column(), -1));
    return value.isNull() ? QVariant() : QVariant(db::variantToText(value));
}

QVariant GroupGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole) return records_ && records_->position() == section ? QStringLiteral("▶") : QString();
        return {};
    }
    if (role == Qt::DisplayRole) return titles_.value(section);
    if (role == Qt::BackgroundRole && titleColours_.contains(section)) return titleColours_.value(section);
    return {};
}

GroupGridView::GroupGridView(QList<GroupGridColumn> columns, QWidget* parent)
    : QTableView(parent), model_(new GroupGridModel(std::move(columns), this)) {
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(16);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    for (int c = 0; c < int(model_->columns().size()); ++c) setColumnWidth(c, model_->columns()[c].width);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &GroupGridView::sortOnColumn);
}

void GroupGridView::setSortable(bool sortable) { horizontalHeader()->setSectionsClickable(sortable); }

void GroupGridView::attach(db::RecordSet* records) {
    sort_.reset();
    model_->setRecords(records);
    refresh();
}

void GroupGridView::refresh() {
    model_->setRecords(model_->records());
    db::RecordSet* records = model_->records();
    if (!records || !records->isOpen() || records->isEmpty() || records->atEnd()) return;
    following_ = true;
    const QModelIndex index = model_->index(int(records->position()), std::max(0, currentIndex().column()));
    setCurrentIndex(index);
    scrollTo(index);
    following_ = false;
}

void GroupGridView::sortOnColumn(int column) {
    db::RecordSet* records = model_->records();
    if (!records || !records->isOpen() || !horizontalHeader()->sectionsClickable()) return;
    const int previous = sort_.lastColumn();
    const GridSortState::Click click = sort_.click(column, model_->columns()[column].field, model_->title(column),
                                                   model_->titleIsLime(column),
                                                   previous >= 0 ? model_->title(previous) : QString());
    records->sort(click.order);
    model_->setTitle(column, click.title);
    if (click.recolour) model_->setTitleLime(column, true);
    if (click.previousColumn >= 0) {
        model_->setTitle(click.previousColumn, click.previousTitle);
        model_->setTitleLime(click.previousColumn, false);
    }
    refresh();
    emit sorted(click.order);
}

void GroupGridView::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    emit rowClicked();
}

void GroupGridView::keyReleaseEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Delete: emit deleteReleased(); break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down: emit navigationReleased(); break;
    default: QTableView::keyReleaseEvent(event); return;
    }
    event->accept();
}

void GroupGridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    db::RecordSet* records = model_->records();
    if (following_ || !records || !records->isOpen() || !current.isValid()) return;
    if (current.row() != previous.row()) {
        records->moveTo(current.row());
        emit model_->headerDataChanged(Qt::Vertical, std::max(0, previous.row()), current.row());
    }
}
