#include "checks/MessageListWin.h"

#include <QHeaderView>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kWidths[5] = {32, 340, 321, 73, 70};

} // namespace

TMessageListWinForm::TMessageListWinForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint), grid_(new QTableWidget(this)) {
    setWindowTitle(QStringLiteral("逻辑错误列表"));
    resize(900, 258);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xCC));  // 13434879
    p.setColor(QPalette::Base, QColor(0xFF, 0xFF, 0xCC));
    setPalette(p);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid_);
    grid_->setPalette(p);
    grid_->setColumnCount(5);
    grid_->setHorizontalHeaderLabels({QString(), QStringLiteral("逻辑关系"), QStringLiteral("说明"), QStringLiteral("页号"),
                                      QStringLiteral("变量")});
    for (int c = 0; c < 5; ++c) grid_->setColumnWidth(c, kWidths[c]);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setDefaultSectionSize(18);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setWordWrap(true);
    grid_->setShowGrid(true);
    grid_->setRowCount(1);
    connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int row) { activate(row); });
}

void TMessageListWinForm::addFinding(const QString& rule, const QString& explanation, const QString& focus, int page) {
    int row = 0;
    if (hasErrors_) {
        row = grid_->rowCount();
        grid_->insertRow(row);
    }
    hasErrors_ = true;
    const QString cells[4] = {rule, explanation, QString::number(page), focus};
    for (int c = 0; c < 4; ++c) grid_->setItem(row, c + 1, new QTableWidgetItem(cells[c]));
    // The row grows to the wrapped height of the rule or the explanation, as the
    // view's style and font lay them out, with 8 pixels to spare.
    grid_->resizeRowToContents(row);
    grid_->setRowHeight(row, std::max(18, grid_->rowHeight(row) + 8));
}

void TMessageListWinForm::clearList() {
    hasErrors_ = false;
    grid_->setRowCount(1);
    for (int c = 0; c < 5; ++c) grid_->setItem(0, c, new QTableWidgetItem);
    grid_->setRowHeight(0, 18);
    hide();
}

int TMessageListWinForm::findingCount() const { return hasErrors_ ? grid_->rowCount() : 0; }

QString TMessageListWinForm::cell(int row, int column) const {
    const QTableWidgetItem* item = grid_->item(row, column);
    return item ? item->text() : QString();
}

void TMessageListWinForm::showList() {
    // The frame's height is known once the window is shown.
    show();
    QRect place(QPoint(150, 500), frameGeometry().size());
    const QRect clear = keepClear_ ? keepClear_() : QRect();
    if (place.intersects(clear)) place.moveBottom(clear.top() - 1);
    place.moveTop(std::max(place.top(), screen()->availableGeometry().top()));
    move(place.topLeft());
    raise();
}

void TMessageListWinForm::setStaysOnTop(bool onTop) {
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (visible) show();
}

void TMessageListWinForm::activate(int row) {
    bool ok = false;
    const int page = cell(row, 3).toInt(&ok);
    if (!ok) return;
    emit findingActivated(page, cell(row, 4));
    grid_->selectRow(0);
}
