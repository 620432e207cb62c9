#pragma once

#include <QString>

// The 10-character password of exchange files, which the working database may
// also carry. It is never stored as such: it is derived at run time from a
// stored string by a substitution of characters and an exchange of positions.
QString DeriveExchangePassword();
