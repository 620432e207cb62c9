#include "app/QuestionDialog.h"

#include "core/Prompt.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace {

struct ButtonSpec {
    int flag;
    const char16_t* caption;
    int answer;
};

constexpr ButtonSpec kButtons[] = {
    {ui::qbYes, u"是", ui::qaYes},
    {ui::qbNo, u"否", ui::qaNo},
    {ui::qbYesToAll, u"全都是", ui::qaYesToAll},
    {ui::qbNoToAll, u"全都否", ui::qaNoToAll},
};

constexpr int kToolbarWidth = 297;
constexpr int kButtonWidth = 74;
constexpr int kButtonHeight = 28;

} // namespace

TQuestionDlg::TQuestionDlg(const QString& text, int buttons, QWidget* parent)
    : QDialog(parent), label_(new QLabel(text, this)), toolbar_(new QWidget(this)), answer_(ui::qaCancel) {
    setWindowTitle(QStringLiteral("提示信息"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    label_->move(16, 16);
    label_->adjustSize();
    auto* row = new QHBoxLayout(toolbar_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (const ButtonSpec& item : kButtons) {
        auto* b = new QToolButton(toolbar_);
        b->setText(QString::fromUtf16(item.caption));
        b->setFixedSize(kButtonWidth, kButtonHeight);
        b->setProperty("flag", item.flag);
        b->setVisible((buttons & item.flag) != 0);
        const int answer = item.answer;
        connect(b, &QToolButton::clicked, this, [this, answer] {
            answer_ = answer;
            accept();
        });
        row->addWidget(b);
        buttons_ << b;
    }
    layoutForText();
}

QToolButton* TQuestionDlg::button(int flag) const {
    for (QToolButton* b : buttons_)
        if (b->property("flag").toInt() == flag) return b;
    return nullptr;
}

void TQuestionDlg::layoutForText() {
    int toolbarWidth = kToolbarWidth;
    for (QToolButton* b : buttons_)
        if (b->isHidden()) toolbarWidth -= kButtonWidth;
    const int width = std::max(label_->geometry().right() + 25, int(1.5 * toolbarWidth));
    const int height = label_->geometry().bottom() + int(1.5 * kButtonHeight);
    setFixedSize(width, height + kButtonHeight / 2);
    toolbar_->setGeometry(width - toolbarWidth, this->height() - kButtonHeight, toolbarWidth, kButtonHeight);
}

void TQuestionDlg::showEvent(QShowEvent* event) {
    layoutForText();
    QDialog::showEvent(event);
}
