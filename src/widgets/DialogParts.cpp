#include "widgets/DialogParts.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

QPushButton* MakeNonDefaultButton(QWidget* parent, const char* name, const QString& caption) {
    QPushButton* button = MakeButton(parent, name, caption);
    button->setAutoDefault(false);
    return button;
}

void CentreOnScreen(QWidget* window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

QString LiteralCaption(const QString& text) { return QString(text).replace(QLatin1Char('&'), QLatin1String("&&")); }
