#pragma once

#include <QString>

// The survey's rules for what its fields and records hold, shared by the entry
// dialog, the import check and the batch check.

// The state a record is kept in (dt_data.RecordState).
enum class RecordState {
    Held = 0,             // kept without a logic check; not exported
    Saved = 1,            // saved, no logic errors
    SavedWithErrors = 2,  // saved with logic errors
};

// What one field of dt_data may hold, from its metadata row (DT_FieldList).
struct FieldRule {
    enum class Kind {
        Whole,    // QueryType 0: whole numbers
        Text,     // QueryType 1
        Decimal,  // QueryType 2: amounts with decimals
        Choice,   // QueryType 3: a code, 0 = not answered, 1 = yes, 2 = no
    };
    Kind kind = Kind::Whole;
    // Numbers: the range a field keeps its value in, and how many characters may
    // be typed (0: no limit). Texts: the length limit in GB18030 bytes (0: none).
    double minimum = 0;
    double maximum = 0;
    int maxLength = 0;

    bool isNumber() const { return kind != Kind::Text; }
    // The whole number that is stored for `value`: a choice code above the
    // largest code (a 3 from an import) is stored as that code.
    qint64 stored(qint64 value) const;
};

// The rule of the field named `name` (any letter case) whose metadata row has
// `id` and `queryType`. The cover's fields up to ID 6 keep the limits of the
// printed form; every later numeric field takes 0 to 99999999999999 without a
// length limit, a choice code 0 to 2 in one character.
FieldRule fieldRule(const QString& name, int id, int queryType);
