#pragma once

#include <QString>
#include <vector>

namespace db {
class Connection;
}

// One entry of a code list: a code and its name.
struct TCode {
    int code = 0;
    QString name;
};

// A code list in display order.
using TMenuItemDataArray = std::vector<TCode>;

// The rows of a code table (CT_LevelCode, CT_state) without code 0, in the order of Sequence.
TMenuItemDataArray LoadCodeList(db::Connection& connection, const QString& table);
// The name of the first entry with the code, or empty text.
QString FindCodeName(const TMenuItemDataArray& list, int code);
// The code of the first entry whose name equals `name` exactly, or 0.
int FindCodeId(const TMenuItemDataArray& list, const QString& name);

// The full name of a division, or empty text; codes of 99999 and below have none.
// An engine error is shown and counts as no name.
QString LookupDivisionName(db::Connection& connection, int code);

// A division code's three levels: province, prefecture, county.
struct DivisionParts {
    int province = 0;
    int prefecture = 0;
    int county = 0;
};
DivisionParts SplitDivisionCode(int code);
