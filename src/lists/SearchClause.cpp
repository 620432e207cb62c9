#include "lists/SearchClause.h"

#include <QStringList>

namespace {

const QString kCodeField = QStringLiteral("c901");

// A number of the searches: digits only, as the edits let the clerk type them.
// Anything else (pasted text) never reaches the SQL.
bool isDigits(const QString& text) {
    if (text.isEmpty()) return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9') return false;
    return true;
}

SearchClause refuse(const QString& message, SearchInput focus) { return {QString(), message, focus}; }

} // namespace

TMenuItemDataArray SearchOperators() {
    return {{1, QStringLiteral("=")}, {2, QStringLiteral(">")}, {3, QStringLiteral("<")}, {4, QStringLiteral(">=")},
            {5, QStringLiteral("<=")}};
}

TMenuItemDataArray SearchConnectors() { return {{1, QStringLiteral("和")}, {2, QStringLiteral("或")}}; }

QString ConnectorSql(int code) { return code == 2 ? QStringLiteral(" OR ") : QStringLiteral(" AND "); }

SearchClause CodeRangeClause(const CodeRangeInput& input) {
    const QString number1 = input.number1.trimmed();
    const QString number2 = input.number2.trimmed();
    if (number1.isEmpty() && number2.isEmpty()) return refuse(QStringLiteral("请至少输入一个条件"), SearchInput::Number1);
    if (!number1.isEmpty() && !isDigits(number1)) return refuse(QStringLiteral("请输入数字"), SearchInput::Number1);
    if (!number2.isEmpty() && !isDigits(number2)) return refuse(QStringLiteral("请输入数字"), SearchInput::Number2);
    // A whole code in the general number format: its digits without leading zeros.
    auto condition = [](const QString& op, const QString& number) {
        return kCodeField + op + QString::number(number.toLongLong());
    };
    QString clause = QStringLiteral("where ");
    if (!number1.isEmpty()) {
        clause += condition(input.operator1, number1);
        if (!number2.isEmpty()) clause += ConnectorSql(input.connector) + condition(input.operator2, number2);
    } else {
        clause += condition(input.operator2, number2);
    }
    return {clause, QString(), SearchInput::None};
}

SearchClause IndicatorClause(const IndicatorInput& input) {
    const QString field = input.field.trimmed();
    const QString number1 = input.number1.trimmed();
    const QString number2 = input.number2.trimmed();
    if (field.isEmpty()) return refuse(QStringLiteral("请选择指标"), SearchInput::Field);
    if (number1.isEmpty() && number2.isEmpty()) return refuse(QStringLiteral("请至少输入一个条件"), SearchInput::Number1);
    if (field.compare(kCodeField, Qt::CaseInsensitive) == 0) {
        if (!number1.isEmpty() && number1.size() != 12) return refuse(QStringLiteral("c901必须为12位"), SearchInput::Number1);
        if (!number2.isEmpty() && number2.size() != 12) return refuse(QStringLiteral("c901必须为12位"), SearchInput::Number2);
    }
    // Each condition needs both its operator and its number: one without the
    // other would be dropped silently or leave an incomplete clause.
    struct Condition {
        const QString& op;
        const QString& number;
        SearchInput operatorInput;
        SearchInput numberInput;
        QString ordinal;
    };
    const Condition conditions[] = {
        {input.operator1, number1, SearchInput::Operator1, SearchInput::Number1, QStringLiteral("第一个")},
        {input.operator2, number2, SearchInput::Operator2, SearchInput::Number2, QStringLiteral("第二个")},
    };
    QStringList parts;
    for (const Condition& c : conditions) {
        if (c.op.isEmpty() && c.number.isEmpty()) continue;
        if (c.op.isEmpty()) return refuse(QStringLiteral("请选择%1条件的比较符").arg(c.ordinal), c.operatorInput);
        if (c.number.isEmpty()) return refuse(QStringLiteral("请输入%1条件的数值").arg(c.ordinal), c.numberInput);
        if (!isDigits(c.number)) return refuse(QStringLiteral("请输入数字"), c.numberInput);
        parts << field + c.op + c.number;
    }
    return {QStringLiteral("where ") + parts.join(QStringLiteral(" and ")), QString(), SearchInput::None};
}
