#pragma once

#include <QString>

class QPushButton;
class QWidget;

// The small parts every dialog of the program is made of.

// A dialog's push button showing `caption`, with the object name `name`.
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption);

// The same for a dialog whose Enter key belongs to its edits and grid: the
// button is no automatic default, so Enter pressed elsewhere never clicks it.
QPushButton* MakeNonDefaultButton(QWidget* parent, const char* name, const QString& caption);

// A user's text (a grouping title) as the caption of a button or menu item:
// shown as written, an "&" marks no shortcut letter.
QString LiteralCaption(const QString& text);

// Moves a window to the centre of the primary screen.
void CentreOnScreen(QWidget* window);
