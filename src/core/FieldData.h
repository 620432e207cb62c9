#pragma once

#include <QString>
#include <vector>

namespace db {
class Connection;
}

// One survey field as the record lists and exports see it (a row of DT_FieldList).
struct TFieldData {
    int fieldId = 0;        // ID
    QString showName;       // ShowName: the list column
    QString title;          // Hint
    int width = 0;          // FieldWidth, pixels
    QString typeText;       // FieldType
    bool visible = false;   // Visible
    bool queryShow = false; // QueryShow; the export flag where the array describes export columns
    int valueKind = 0;      // QueryType: 0 integer, 1 text, 2 decimal, 3 yes/no code
};

using TFieldDataArray = std::vector<TFieldData>;

// The field metadata in the order of the "sequence" index.
TFieldDataArray LoadFieldDataArray(db::Connection& connection);
