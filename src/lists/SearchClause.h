#pragma once

#include "entry/CodeList.h"

#include <QString>

// The where-clauses of the two searches and the checks of their input, apart
// from the dialogs that collect it.

// The comparison operators both searches offer: the name is shown and goes into the SQL.
TMenuItemDataArray SearchOperators();
// The connectors of the code range search: "和" and "或".
TMenuItemDataArray SearchConnectors();
// The SQL text of a connector code: " AND " for 1, " OR " for 2.
QString ConnectorSql(int code);

// The input a search refuses, so that the dialog can put the focus there.
enum class SearchInput { None, Field, Operator1, Number1, Operator2, Number2 };

// A where-clause beginning with "where ", or the message that refuses the input.
struct SearchClause {
    QString clause;
    QString message;
    SearchInput focus = SearchInput::None;
    bool accepted() const { return message.isEmpty(); }
};

// The code range search on c901. A number is blank when its text is empty
// after trimming; otherwise `value` is its whole number. Operators are their
// names ("=", ">", ...), the connector its code.
struct CodeRangeInput {
    QString operator1;
    QString number1;
    int connector = 1;
    QString operator2;
    QString number2;
};
SearchClause CodeRangeClause(const CodeRangeInput& input);

// The indicator search on one field. An operator is empty text when none was chosen.
struct IndicatorInput {
    QString field;
    QString operator1;
    QString number1;
    QString operator2;
    QString number2;
};
SearchClause IndicatorClause(const IndicatorInput& input);
