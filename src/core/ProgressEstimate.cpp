#include "core/ProgressEstimate.h"

#include <cmath>

void ProgressEstimate::start(int total, int done) {
    total_ = total;
    done_ = done;
    ticks_ = 0;
}

int ProgressEstimate::estimate() const {
    if (ticks_ <= 50 || done_ < 1) return -1;
    return int(std::ceil(double(ticks_) / done_ * (total_ - done_)));
}

QString ProgressEstimate::doneText() const {
    if (estimate() < 0) return QStringLiteral("已完成 %1").arg(done_);
    return QStringLiteral("已完成 %1 用时%2秒").arg(done_).arg(ticks_ / 10);
}

QString ProgressEstimate::waitingText() const {
    const int e = estimate();
    if (e < 0) return QStringLiteral("待完成 %1").arg(total_ - done_);
    return QStringLiteral("待完成 %1 尚需%2秒").arg(total_ - done_).arg((e + 9) / 10);
}
