#pragma once

#include <QString>

// The texts of the progress window: how much is done and waiting and, once a
// run has taken more than five seconds (50 ticks of 100 ms), how long it has
// taken and how long it still needs.
class ProgressEstimate {
public:
    void start(int total, int done);
    void step() { ++done_; }
    void tick() { ++ticks_; }
    int total() const { return total_; }
    int done() const { return done_; }
    // Remaining ticks, -1 while there is no estimate.
    int estimate() const;
    QString doneText() const;
    QString waitingText() const;

private:
    int total_ = 0;
    int done_ = 0;
    int ticks_ = 0;
};
