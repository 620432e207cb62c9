#pragma once

#include <QString>

// Whether an organisation of level `level` may fill a field whose level
// condition is `rule`. Two notations: a set, "in [10,20,30]" (used when the
// text contains "in"), and a comparison, ">=30" ("<", "<=", "=", ">=", ">", "<>").
bool MatchLevelRule(int level, const QString& rule);
