#include "checks/Expression.h"

#include "core/Prompt.h"
#include "db/Connection.h"

#include <cmath>

namespace {

bool isSeparator(QChar c) { return QStringLiteral(" ()*+-/<=>").contains(c); }

bool isAsciiLetter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}

} // namespace

QString ResolveToken(const QString& word, const FieldValueLookup& lookup) {
    const QString upper = word.toUpper();
    if (upper == QLatin1String("AND") || upper == QLatin1String("OR") || upper == QLatin1String("NOT")) return word;
    if (const std::optional<double> value = lookup(word)) return QString::number(qint64(std::nearbyint(*value)));
    ui::showMessage(QStringLiteral("Control name parse error : ") + word);
    return {};
}

QString SubstituteFieldValues(const QString& expression, const FieldValueLookup& lookup) {
    QString out;
    QString word;
    bool inWord = false;
    for (const QChar c : expression) {
        if (isSeparator(c)) {
            if (inWord) out += ResolveToken(word, lookup);
            out += c;
            word.clear();
            inWord = false;
        } else if (isAsciiLetter(c)) {
            word += c;
            inWord = true;
        } else if (inWord) {
            word += c;
        } else {
            out += c;
        }
    }
    if (inWord && !word.isEmpty()) out += ResolveToken(word, lookup);
    return out;
}

bool EvaluateExpression(db::Connection& connection, const QString& expression, const FieldValueLookup& lookup) {
    const QString substituted = SubstituteFieldValues(expression, lookup);
    return connection.scalar(QStringLiteral("select ") + substituted + QStringLiteral(" as rt")).toLongLong() == 1;
}
