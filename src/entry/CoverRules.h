#pragma once

#include "entry/CodeList.h"

#include <QString>
#include <optional>

namespace db {
class Connection;
}

// The rules of the cover page: the organisation's code, name, division, level,
// reporting state, filler and telephone number.

// True when the text holds an ASCII letter or digit. Every other character
// (Chinese characters, blanks, punctuation, full-width letters) passes.
bool HasLatinOrDigit(const QString& text);

// The telephone number as typed: with a hyphen 11 to 13 characters, without one
// 7, 8, 11 or 12.
bool TelephoneLengthOk(const QString& typed);

// The cover as typed.
struct CoverValues {
    QString code;        // c901 as typed
    QString name;        // c902
    int division = 0;    // c903
    int level = 0;       // c904
    int state = 0;       // c907
    QString filler;      // c905
    QString telephone;   // c906
};

// The first rule the cover breaks: its message and the field to focus.
struct CoverFailure {
    QString message;
    QString field;
    bool duplicateCode = false;  // the code belongs to another record
};

// Checks the cover as a whole, rule by rule in the order of the form.
// `currentCode` is the code of the record as last loaded or written (0 for a
// new one): an existing code passes only when it is that one.
std::optional<CoverFailure> CheckCover(db::Connection& connection, const CoverValues& cover,
                                       const TMenuItemDataArray& levels, const TMenuItemDataArray& states,
                                       qint64 currentCode, bool addMode);
