#include "app/Progress.h"

namespace ui {
namespace {

class SilentProgress final : public ProgressSink {
public:
    void setCaption(const QString&) override {}
    void start(int, int) override {}
    void step() override {}
    void hide() override {}
};

SilentProgress silent;
ProgressSink* current = &silent;

} // namespace

ProgressSink& progress() { return *current; }

void installProgress(ProgressSink* sink) { current = sink ? sink : &silent; }

} // namespace ui
