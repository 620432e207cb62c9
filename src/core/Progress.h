#pragma once

#include <QString>

// Long operations report their progress through the progress sink, so the
// routines stay free of windows: the main window installs the progress window,
// tests install a recorder, and without either nothing is shown.
namespace ui {

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void setCaption(const QString& caption) = 0;
    // A run of `total` parts of which `done` are done; shows the window.
    virtual void start(int total, int done) = 0;
    // One more part done; the window repaints at once.
    virtual void step() = 0;
    // Hides the window.
    virtual void hide() = 0;
};

// The window with two bars: the whole run above, the current task below.
class TwoLineProgressSink {
public:
    virtual ~TwoLineProgressSink() = default;
    virtual void initFirst(int total) = 0;
    virtual void initSecond(int total) = 0;
    virtual void incFirst() = 0;
    virtual void incSecond() = 0;
    virtual void hide() = 0;
};

ProgressSink& progress();
TwoLineProgressSink& twoLineProgress();
void installTwoLineProgress(TwoLineProgressSink* sink);
// Installs a sink (not owned); nullptr restores the silent default.
void installProgress(ProgressSink* sink);

inline void StartProgress(int total, int done) { progress().start(total, done); }
inline void StepProgress() { progress().step(); }
inline void HideProgress() { progress().hide(); }
inline void InitFirst(int total) { twoLineProgress().initFirst(total); }
inline void InitSecond(int total) { twoLineProgress().initSecond(total); }
inline void IncFirst() { twoLineProgress().incFirst(); }
inline void IncSecond() { twoLineProgress().incSecond(); }

} // namespace ui
