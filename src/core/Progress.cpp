#include "core/Progress.h"

namespace ui {
namespace {

class SilentProgress final : public ProgressSink {
public:
    void start(int, int) override {}
    void step() override {}
    void hide() override {}
};

SilentProgress silent;
ProgressSink* current = &silent;
ProgressSink* currentTwoLine = &silent;

} // namespace

ProgressSink& progress() { return *current; }

ProgressSink& twoLineProgress() { return *currentTwoLine; }

void installProgress(ProgressSink* sink) { current = sink ? sink : &silent; }

void installTwoLineProgress(ProgressSink* sink) { currentTwoLine = sink ? sink : &silent; }

} // namespace ui
