#pragma once

class QWidget;

// Opens the user guide in a window of its own beside `parent`; says so when
// the guide is not installed.
void ShowUserGuide(QWidget* parent);
