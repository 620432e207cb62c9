#pragma once

#include "core/Progress.h"
#include "core/ProgressEstimate.h"

#include <QTimer>
#include <QWidget>

#include <QElapsedTimer>

class QLabel;
class QProgressBar;

// A progress window is repainted, and the window system's pending events
// processed, once per slice of 100 ms rather than after every unit of work:
// a run of many small steps then costs little more than its work, while the
// bars move, the timers tick and the windows repaint.
class PaintSlice {
public:
    static constexpr int kSliceMs = 100;
    bool due() const { return !clock_.isValid() || clock_.elapsed() >= kSliceMs; }
    // Repaints `window` and processes the pending events now.
    void now(QWidget* window);
    // The same when a slice has passed since the last time.
    void soon(QWidget* window);

private:
    QElapsedTimer clock_;
};

// The progress window of long operations: always on top, a bar of 100 parts,
// a small animation and the done/waiting texts with the time estimate.
class TProgressBarForm final : public QWidget, public ui::ProgressSink {
    Q_OBJECT
public:
    explicit TProgressBarForm(QWidget* parent = nullptr);
    void setCaption(const QString& caption) override;
    void start(int total, int done) override;
    void step() override;
    void hide() override;

    // One tick of 100 ms (the timer's; tests call it directly).
    void tick();
    QString doneText() const;
    QString waitingText() const;
    bool timerRunning() const { return timer_.isActive(); }

private:
    void showTexts();
    ProgressEstimate estimate_;
    QLabel* doneLabel_;
    QLabel* waitingLabel_;
    QProgressBar* bar_;
    QWidget* animation_;
    QTimer timer_;
    PaintSlice slice_;
};

// The window with two bars: "总进度：" above, "当前任务进度：" below.
// The run's parts advance the upper bar, the current task's units the lower one.
class TProgressBar2LineForm final : public QWidget, public ui::ProgressSink {
    Q_OBJECT
public:
    explicit TProgressBar2LineForm(QWidget* parent = nullptr);
    void start(int total, int done) override;
    void step() override;
    void startTask(int total) override;
    void stepTask() override;
    void hide() override;

private:
    QProgressBar* first_;
    QProgressBar* second_;
    int secondDone_ = 0;
    PaintSlice slice_;
};
