#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;
class QProgressBar;
class QPushButton;

// The about box, which also serves as the splash window at start: it then
// shows a progress bar that fills in about two seconds (50 ticks of 40 ms) and
// closes itself. Opened from the menu it has a button that opens the user
// guide. A click on the background closes it. A double click on the
// program's name with Ctrl and Alt held (and not Shift) marks every record as
// saved without logic errors and announces that the records changed.
class TdlgAboutForm final : public QDialog {
    Q_OBJECT
public:
    explicit TdlgAboutForm(QWidget* parent = nullptr);
    // Shows the progress bar and starts the timer: the splash window.
    void startProgress();

    QLabel* nameLabel() const { return nameLabel_; }
    QLabel* versionLabel() const { return versionLabel_; }
    QProgressBar* progressBar() const { return progress_; }
    QPushButton* guideButton() const { return guideButton_; }
    // One tick of the 40 ms timer (tests call it directly).
    void tick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void runHiddenCommand();
    QLabel* nameLabel_;
    QLabel* versionLabel_;
    QProgressBar* progress_;
    QPushButton* guideButton_;  // "用户手册", opened from the menu only
    QTimer timer_;
};
