#include "widgets/Buttons.h"

#include <QPushButton>

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
