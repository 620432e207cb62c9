#pragma once

#include <QString>

namespace db {
class Connection;
}

// Rendering of rule explanations ("explain" of dt_logic): operators marked in
// square brackets become words ("[<=]" reads "不能大于"), field names become
// their captions in square brackets, everything else stays as written.
// Captions come from DT_FieldList of the given database, read once and kept.

// Renders an explanation text.
QString Parse(db::Connection& connection, const QString& explain);
// Renders one term: an operator, with or without its brackets, or a field name.
QString ParseKey(db::Connection& connection, const QString& term);
