#pragma once

class QCoreApplication;

// Loads Qt's own Chinese texts (the file dialogs, the edit fields' context
// menus) from the translations installed with Qt; false when they are not
// installed. The program's own boxes set their button texts themselves.
bool installQtChineseTexts(QCoreApplication& application);
