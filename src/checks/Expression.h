#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace db {
class Connection;
}

// Rule expressions: SQL conditions over field names, true when a record breaks
// the rule. A word is a field name unless it is AND, OR or NOT; the field's
// value, rounded to a whole number, takes its place before the engine
// evaluates the condition.

// The current value of a field by name (any letter case), or nothing when no
// field has that name.
using FieldValueLookup = std::function<std::optional<double>(const QString& name)>;

// One word: AND, OR and NOT stay; a field name becomes its value rounded half
// to even; any other word shows "Control name parse error : " + word and gives
// empty text.
QString ResolveToken(const QString& word, const FieldValueLookup& lookup);

// The expression with every field name replaced by its value.
QString SubstituteFieldValues(const QString& expression, const FieldValueLookup& lookup);

// Whether the expression holds (the rule is broken): the substituted text is
// evaluated by the engine, whose true is 1. Raises db::Error when the engine
// rejects the text.
bool EvaluateExpression(db::Connection& connection, const QString& expression, const FieldValueLookup& lookup);
