#include "entry/LevelRule.h"

#include <QStringList>

bool MatchLevelRule(int level, const QString& rule) {
    if (rule.contains(QLatin1String("in"))) {
        const qsizetype open = rule.indexOf(QLatin1Char('['));
        const qsizetype close = rule.lastIndexOf(QLatin1Char(']'));
        if (open < 0 || close < open) return false;
        for (const QString& item : rule.mid(open + 1, close - open - 1).trimmed().split(QLatin1Char(','))) {
            bool ok = false;
            const int value = item.trimmed().toInt(&ok);
            if (ok && value >= 0 && value <= 255 && value == level) return true;
        }
        return false;
    }
    qsizetype length = 0;
    while (length < rule.size() && QStringLiteral("<=>").contains(rule[length])) ++length;
    const QString op = rule.left(length);
    const int n = rule.mid(length).trimmed().toInt();  // 0 when not a number
    if (op == QLatin1String(">")) return level > n;
    if (op == QLatin1String("=")) return level == n;
    if (op == QLatin1String("<")) return level < n;
    if (op == QLatin1String(">=")) return level >= n;
    if (op == QLatin1String("<=")) return level <= n;
    if (op == QLatin1String("<>")) return level != n;
    return false;
}
