#include "core/FieldRules.h"

#include <gtest/gtest.h>

TEST(FieldRules, TheMetadataDecidesWhatAFieldHolds) {
    // The code keeps the printed form's twelve digits; the reporting state (ID 7) takes any number.
    const FieldRule code = fieldRule(QStringLiteral("C901"), 1, 0);
    EXPECT_EQ(code.minimum, 1);
    EXPECT_EQ(code.maxLength, 12);
    const FieldRule state = fieldRule(QStringLiteral("c907"), 7, 0);
    EXPECT_EQ(state.maximum, 99999999999999.0);
    EXPECT_EQ(state.maxLength, 0);
    EXPECT_EQ(fieldRule(QStringLiteral("c902"), 2, 1).maxLength, 60);
    // An amount has decimals; a yes/no code takes one character up to 2 and stores a 3 as 2.
    EXPECT_EQ(fieldRule(QStringLiteral("b016"), 53, 2).kind, FieldRule::Kind::Decimal);
    const FieldRule yesNo = fieldRule(QStringLiteral("z005"), 13, 3);
    EXPECT_EQ(yesNo.kind, FieldRule::Kind::Choice);
    EXPECT_EQ(yesNo.maximum, 2);
    EXPECT_EQ(yesNo.maxLength, 1);
    EXPECT_EQ(yesNo.stored(3), 2);
    EXPECT_EQ(fieldRule(QStringLiteral("z001"), 9, 0).stored(3), 3);
}
