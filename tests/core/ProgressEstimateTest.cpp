#include "core/ProgressEstimate.h"
#include "support/TestSupport.h"

TEST(ProgressEstimate, ShowsTimesOnlyAfterFiveSeconds) {
    ProgressEstimate e;
    e.start(10, 2);
    EXPECT_EQ(e.doneText(), QStringLiteral("已完成 2"));
    EXPECT_EQ(e.waitingText(), QStringLiteral("待完成 8"));
    for (int i = 0; i < 50; ++i) e.tick();
    e.step();
    EXPECT_EQ(e.estimate(), -1);  // 50 ticks are not more than 50
    EXPECT_EQ(e.doneText(), QStringLiteral("已完成 3"));
    e.tick();
    // 51 ticks for 3 parts, 7 to go: ceil(51 / 3 * 7) = 119 ticks, 12 seconds.
    EXPECT_EQ(e.estimate(), 119);
    EXPECT_EQ(e.doneText(), QStringLiteral("已完成 3 用时5秒"));
    EXPECT_EQ(e.waitingText(), QStringLiteral("待完成 7 尚需12秒"));
}

TEST(ProgressEstimate, NeedsAPartDoneBeforeEstimating) {
    ProgressEstimate e;
    e.start(4, 0);
    for (int i = 0; i < 200; ++i) e.tick();
    EXPECT_EQ(e.estimate(), -1);
    EXPECT_EQ(e.waitingText(), QStringLiteral("待完成 4"));
}
