#pragma once

#include <QString>

namespace db {
class Connection;
}

// Fills dt_data of an open survey database with `count` generated returns:
// real division and level codes, indicators of plausible size, fields closed by
// the level rules left at 0, most returns made consistent with the logic rules
// and about one in ten broken on purpose. The same seed gives the same data.
void generateRecords(db::Connection& connection, int count, unsigned seed = 2019);

// Adds the grouping "百组" of 100 items that split the range of the records'
// unit codes evenly, and returns its id.
qint64 addHundredGroups(db::Connection& connection);
