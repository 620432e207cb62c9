#pragma once

#include <QMainWindow>

class QLabel;

// The main window. Its creation runs the start-up sequence: settings, the
// working database, the title and the status bar.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    // False when the working database could not be opened; the program then ends.
    bool started() const { return started_; }

private:
    bool started_ = false;
    QLabel* versionPane_ = nullptr;
    QLabel* datePane_ = nullptr;
};
