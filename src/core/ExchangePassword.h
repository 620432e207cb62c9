#pragma once

#include <QString>

#include <span>
#include <utility>

// The 10-character password of exchange files, which the working database may
// also carry. It is never stored as such: it is derived at run time from a
// stored string by a substitution of characters and an exchange of positions.
QString DeriveExchangePassword();

// The derivation both exchange secrets share: each letter or digit of `stored`
// moves `firstShift` + its position places on in its own alphabet (A–Z, a–z,
// 0–9), then the characters at each pair of `swaps` change places.
QString DeriveFromStoredString(const QString& stored, int firstShift, std::span<const std::pair<int, int>> swaps);
