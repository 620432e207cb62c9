#pragma once

#include <QString>

namespace db {
class Connection;
}

// Fills dt_data of an open survey database with `count` generated returns:
// real division and level codes, indicators of plausible size that mostly keep
// the simple "not more than" rules, fields closed by the level rules left at 0,
// and about one return in ten broken on purpose. The same seed gives the same data.
void generateRecords(db::Connection& connection, int count, unsigned seed = 2019);
