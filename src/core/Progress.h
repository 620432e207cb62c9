#pragma once

#include <QString>

// Long operations report their progress through the progress sink, so the
// routines stay free of windows: the main window installs its progress
// windows, the companion its line on a terminal, tests a recorder, and without
// either nothing is shown.
namespace ui {

// The progress of one run: its parts (records, files, sheets) and, for a run
// whose parts are tasks of their own (the summary's sheets), the cells of the
// current task. A run that can be paused and stopped (the batch check) asks
// the sink whether the user wants it.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void setCaption(const QString&) {}
    // A run of `total` parts of which `done` are done; shows the window.
    virtual void start(int total, int done) = 0;
    // One more part done.
    virtual void step() = 0;
    // The current task has `total` units; one more unit of it done.
    virtual void startTask(int) {}
    virtual void stepTask() {}
    virtual bool paused() const { return false; }
    virtual bool stopRequested() const { return false; }
    // Hides the window.
    virtual void hide() = 0;
};

// The progress of most runs: the window with one bar.
ProgressSink& progress();
// The progress of runs of tasks: the window with two bars.
ProgressSink& twoLineProgress();
// Install a sink (not owned); nullptr restores the silent default.
void installProgress(ProgressSink* sink);
void installTwoLineProgress(ProgressSink* sink);

inline void StartProgress(int total, int done) { progress().start(total, done); }
inline void StepProgress() { progress().step(); }
inline void HideProgress() { progress().hide(); }

} // namespace ui
