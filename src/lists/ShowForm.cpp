#include "lists/ShowForm.h"
#include "widgets/DialogParts.h"

#include "core/Prompt.h"
#include "lists/FieldVisibility.h"

#include <QCheckBox>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>

namespace {

constexpr int kBoxWidth = 438;
constexpr int kBoxHeight = 35;
constexpr int kRowStep = 30;

// The place of the n-th check box of a page: two columns, rows 30 pixels apart.
QRect boxGeometry(int n) { return {4 + kBoxWidth * (n % 2), 6 + kRowStep * (n / 2), kBoxWidth, kBoxHeight}; }

} // namespace

TdlgShowForm::TdlgShowForm(db::Connection& connection, std::function<void()> rebuildGrid, QWidget* parent)
    : QDialog(parent), connection_(connection), rebuildGrid_(std::move(rebuildGrid)) {
    setWindowTitle(QStringLiteral("自定义列表项"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(920, 560);

    pages_ = new QTabWidget(this);
    pages_->setTabPosition(QTabWidget::South);
    pages_->setTabShape(QTabWidget::Rounded);
    pages_->setGeometry(6, 6, 908, 500);

    QFont boxFont(QStringLiteral("宋体"));
    boxFont.setPointSize(9);
    QWidget* page = addPage(QStringLiteral("封面"), false);
    int pageId = 0;
    int n = 0;
    for (const FieldVisibility& field : LoadFieldVisibility(connection_)) {
        if (field.pageId != pageId) {
            page = addPage(field.sheetName, true);
            pageId = field.pageId;
            n = 0;
        }
        auto* box = new QCheckBox(field.fieldName + QStringLiteral("--") + field.hint, page);
        box->setObjectName(field.fieldName);
        box->setFont(boxFont);
        box->setGeometry(boxGeometry(n++));
        box->setChecked(field.visible);
        box->setAttribute(Qt::WA_Hover);
        page->setMinimumSize(4 + 2 * kBoxWidth, box->geometry().bottom() + 1);
        boxes_ << qMakePair(box, field.id);
    }

    tbOk_ = MakeButton(this, "tbOk", QStringLiteral("确  定"));
    tbOk_->setGeometry(706, 520, 96, 28);
    QPushButton* tbClose = MakeButton(this, "tbClose", QStringLiteral("关  闭"));
    tbClose->setGeometry(812, 520, 96, 28);
    connect(tbOk_, &QPushButton::clicked, this, &TdlgShowForm::tbOkClick);
    connect(tbClose, &QPushButton::clicked, this, &TdlgShowForm::reject);

    CentreOnScreen(this);
}

QWidget* TdlgShowForm::addPage(const QString& caption, bool white) {
    auto* scroll = new QScrollArea;
    auto* page = new QWidget;
    // A check box lights up under the mouse.
    page->setStyleSheet(QStringLiteral("QCheckBox:hover { background-color: rgb(255, 255, 204); }"));
    if (white) {
        QPalette background = page->palette();
        background.setColor(QPalette::Window, Qt::white);
        page->setPalette(background);
        page->setAutoFillBackground(true);
    }
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    pages_->addTab(scroll, caption);
    return page;
}

void TdlgShowForm::tbOkClick() {
    QList<qint64> visibleIds;
    for (const auto& [box, id] : boxes_)
        if (box->isChecked()) visibleIds << id;
    SaveFieldVisibility(connection_, visibleIds);
    rebuildGrid_();
    ui::showMessage(QStringLiteral("保存成功"));
    tbOk_->setEnabled(false);
}
