#include "summary/GroupGrid.h"

#include "db/RecordSet.h"
#include "widgets/RecordGrid.h"

#include <QHeaderView>
#include <QKeyEvent>

GroupGridView::GroupGridView(const QList<GroupGridColumn>& columns, QWidget* parent)
    : QTableView(parent), model_(new RecordListModel(this)) {
    TFieldDataArray fields;
    for (const GroupGridColumn& c : columns) {
        TFieldData field;
        field.showName = c.field;
        field.title = c.title;
        field.width = c.width;
        fields.push_back(field);
    }
    model_->setFields(fields);
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
    for (int c = 0; c < int(fields.size()); ++c) setColumnWidth(c, fields[size_t(c)].width);
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
    const GridSortState::Click click = model_->sortClick(sort_, column);
    records->sort(click.order);
    model_->showSortClick(column, click);
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
