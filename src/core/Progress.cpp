#include "core/Progress.h"

namespace ui {
namespace {

class SilentProgress final : public ProgressSink {
public:
    void setCaption(const QString&) override {}
    void start(int, int) override {}
    void step() override {}
    void hide() override {}
};

class SilentTwoLineProgress final : public TwoLineProgressSink {
public:
    void initFirst(int) override {}
    void initSecond(int) override {}
    void incFirst() override {}
    void incSecond() override {}
    void hide() override {}
};

SilentProgress silent;
ProgressSink* current = &silent;
SilentTwoLineProgress silentTwoLine;
TwoLineProgressSink* currentTwoLine = &silentTwoLine;

} // namespace

ProgressSink& progress() { return *current; }

void installProgress(ProgressSink* sink) { current = sink ? sink : &silent; }

} // namespace ui

namespace ui {

TwoLineProgressSink& twoLineProgress() { return *currentTwoLine; }

void installTwoLineProgress(TwoLineProgressSink* sink) { currentTwoLine = sink ? sink : &silentTwoLine; }

} // namespace ui
