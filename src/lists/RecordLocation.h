#pragma once

#include <QString>

namespace db {
class Connection;
class RecordSet;
}

// Moving the record list to a record found by its unit code or its name.

enum class LocateOutcome { Found, CodeNotTwelveDigits, NotFound };

// Moves `list` to the first row whose c901 is the code typed in `codeText`.
// Shows "编码必须为12位" for a text that is not 12 characters long and
// "没有找到满足条件的数据" when no row has the code.
LocateOutcome LocateRecordByCode(db::RecordSet& list, const QString& codeText);

// Moves `list` to the record whose name (c902) contains `name` (trimmed), the
// first one the database returns. Every character of the name matches itself,
// "%" and "_" included. When no name contains it and `name` can be pinyin
// (letters, blanks and apostrophes), the first record whose name's initials or
// full pinyin hold it is taken ("bjszgh" and "beijing" find 北京市总工会).
// Shows "没有找到满足条件的数据" when nothing is found.
LocateOutcome LocateRecordByName(db::Connection& connection, db::RecordSet& list, const QString& name);
