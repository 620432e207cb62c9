#pragma once

#include <QString>

class QPushButton;
class QWidget;

// A dialog's push button showing `caption`, with the object name `name`.
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption);

// The same for a dialog whose Enter key belongs to its edits and grid: the
// button is no automatic default, so Enter pressed elsewhere never clicks it.
QPushButton* MakeNonDefaultButton(QWidget* parent, const char* name, const QString& caption);
