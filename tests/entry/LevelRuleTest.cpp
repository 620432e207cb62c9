#include "entry/LevelRule.h"
#include "support/TestSupport.h"

TEST(MatchLevelRule, SetNotation) {
    EXPECT_TRUE(MatchLevelRule(10, QStringLiteral("in [10,20]")));
    EXPECT_FALSE(MatchLevelRule(30, QStringLiteral("in [10,20]")));
    EXPECT_TRUE(MatchLevelRule(20, QStringLiteral("in [ 10 , 20 ] ")));
    // Items that are no whole numbers or lie outside 0–255 are ignored.
    EXPECT_FALSE(MatchLevelRule(300, QStringLiteral("in [300,x,10]")));
    EXPECT_TRUE(MatchLevelRule(10, QStringLiteral("in [300,x,10]")));
    EXPECT_FALSE(MatchLevelRule(1, QStringLiteral("in 1,2")));
}

TEST(MatchLevelRule, ComparisonNotation) {
    EXPECT_TRUE(MatchLevelRule(20, QStringLiteral("<=20")));
    EXPECT_FALSE(MatchLevelRule(21, QStringLiteral("<=20")));
    EXPECT_TRUE(MatchLevelRule(30, QStringLiteral(">=30")));
    EXPECT_TRUE(MatchLevelRule(31, QStringLiteral(">30")));
    EXPECT_FALSE(MatchLevelRule(30, QStringLiteral(">30")));
    EXPECT_TRUE(MatchLevelRule(3, QStringLiteral("= 3")));
    EXPECT_TRUE(MatchLevelRule(2, QStringLiteral("<3")));
    EXPECT_TRUE(MatchLevelRule(4, QStringLiteral("<>3")));
    EXPECT_TRUE(MatchLevelRule(0, QStringLiteral("=abc")));  // not a number counts as 0
    // No operator, or a leading blank, never matches.
    EXPECT_FALSE(MatchLevelRule(3, QStringLiteral("3")));
    EXPECT_FALSE(MatchLevelRule(3, QStringLiteral(" <=3")));
    EXPECT_FALSE(MatchLevelRule(3, QStringLiteral("=<3")));
}
