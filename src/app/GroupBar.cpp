#include "app/GroupBar.h"

#include <QAction>
#include <QEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kItemMargin = 2;     // left and right of the buttons in a group
constexpr int kButtonPadding = 4;  // inside a button, as the style sheet sets it

// `caption` in lines that each fit `width` pixels, broken between characters.
QString wrapToWidth(const QString& caption, const QFontMetrics& metrics, int width) {
    QString lines, line;
    for (const QChar c : caption) {
        if (!line.isEmpty() && metrics.horizontalAdvance(line + c) > width) {
            lines += line + QLatin1Char('\n');
            line.clear();
        }
        line += c;
    }
    return lines + line;
}

} // namespace

GroupBar::GroupBar(QWidget* parent) : QWidget(parent), layout_(new QVBoxLayout(this)) {
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    setStyleSheet(QStringLiteral(
        "QPushButton { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4f8fe, stop:1 #b9cfee);"
        " border: 1px solid #7f9db9; padding: 4px; font-weight: bold; }"
        "QScrollArea, QScrollArea > QWidget > QWidget { background: rgb(120, 150, 200); border: none; }"
        "QToolButton { color: white; border: none; padding: 4px; }"
        "QToolButton:hover { background: rgba(255, 255, 255, 50); }"
        "QToolButton:disabled { color: rgb(190, 200, 215); }"));
}

void GroupBar::addGroup(const QString& title, const QList<QAction*>& actions) {
    auto* titleButton = new QPushButton(title, this);
    auto* scroll = new QScrollArea(this);
    auto* items = new QWidget(scroll);
    auto* itemLayout = new QVBoxLayout(items);
    itemLayout->setContentsMargins(kItemMargin, 8, kItemMargin, 8);
    itemLayout->setSpacing(6);
    QList<Command> commands;
    for (QAction* action : actions) {
        auto* button = new QToolButton(items);
        button->setText(action->text());
        button->setIcon(action->icon());
        button->setEnabled(action->isEnabled());
        button->setToolTip(action->toolTip());
        connect(action, &QAction::changed, button, [button, action] {
            button->setEnabled(action->isEnabled());
            button->setToolTip(action->toolTip());
        });
        connect(button, &QToolButton::clicked, action, &QAction::trigger);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIconSize(QSize(32, 32));
        button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        button->setAutoRaise(true);
        itemLayout->addWidget(button);
        commands.push_back({button, action->text()});
    }
    itemLayout->addStretch();
    scroll->setWidget(items);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int index = int(groups_.size());
    groups_.push_back({titleButton, scroll, commands});
    scroll->viewport()->installEventFilter(this);
    connect(titleButton, &QPushButton::clicked, this, [this, index] { openGroup(index); });
    // Titles of the groups above the open one stay on top, the others go to the bottom.
    layout_->addWidget(titleButton);
    layout_->addWidget(scroll, 1);
    if (open_ < 0) openGroup(0);
    else scroll->hide();
}

void GroupBar::openGroup(int index) {
    open_ = index;
    for (int i = 0; i < groups_.size(); ++i) groups_[i].items->setVisible(i == index);
}

bool GroupBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize)
        for (const Group& group : groups_)
            if (group.items->viewport() == watched) wrapCaptions(group);
    return QWidget::eventFilter(watched, event);
}

void GroupBar::wrapCaptions(const Group& group) {
    const int width = group.items->viewport()->width() - 2 * kItemMargin - 2 * kButtonPadding;
    for (const Command& command : group.commands)
        command.button->setText(wrapToWidth(command.caption, command.button->fontMetrics(), width));
}
