#include "core/FieldRules.h"

#include <algorithm>

namespace {

constexpr double kLargestNumber = 99999999999999.0;

FieldRule number(FieldRule::Kind kind, double minimum, double maximum, int maxLength) {
    FieldRule rule;
    rule.kind = kind;
    rule.minimum = minimum;
    rule.maximum = maximum;
    rule.maxLength = maxLength;
    return rule;
}

} // namespace

qint64 FieldRule::stored(qint64 value) const {
    return kind == Kind::Choice ? std::min(value, qint64(maximum)) : value;
}

FieldRule fieldRule(const QString& name, int id, int queryType) {
    const QString field = name.toLower();
    switch (queryType) {
    case 1: {
        FieldRule text;
        text.kind = FieldRule::Kind::Text;
        // The cover's texts: the name of the union, the filler and the telephone.
        text.maxLength = field == QLatin1String("c902") ? 60 : 50;
        return text;
    }
    case 3: return number(FieldRule::Kind::Choice, 0, 2, 1);
    case 2: return number(FieldRule::Kind::Decimal, 0, kLargestNumber, 0);
    default: break;
    }
    if (id > 6) return number(FieldRule::Kind::Whole, 0, kLargestNumber, 0);
    // The code, the division and the level as the printed form limits them.
    if (field == QLatin1String("c901")) return number(FieldRule::Kind::Whole, 1, kLargestNumber, 12);
    return number(FieldRule::Kind::Whole, 0, 999999, 6);
}
