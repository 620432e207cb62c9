#include "core/ExchangePassword.h"

#include <array>
#include <utility>

namespace {

// Substitutes a letter or digit by the one `shift` places further on in its own
// alphabet (A–Z, a–z, 0–9); other characters stay.
QChar substitute(QChar c, int shift) {
    const char16_t u = c.unicode();
    if (u >= u'a' && u <= u'z') return QChar(char16_t(u'a' + (u - u'a' + shift) % 26));
    if (u >= u'A' && u <= u'Z') return QChar(char16_t(u'A' + (u - u'A' + shift) % 26));
    if (u >= u'0' && u <= u'9') return QChar(char16_t(u'0' + (u - u'0' + shift) % 10));
    return c;
}

} // namespace

QString DeriveFromStoredString(const QString& stored, int firstShift, std::span<const std::pair<int, int>> swaps) {
    QString derived;
    for (int i = 0; i < stored.size(); ++i) derived += substitute(stored[i], firstShift + i);
    for (const auto& [a, b] : swaps) std::swap(derived[a], derived[b]);
    return derived;
}

QString DeriveExchangePassword() {
    constexpr std::array<std::pair<int, int>, 3> swaps{{{0, 9}, {2, 6}, {3, 5}}};
    return DeriveFromStoredString(QStringLiteral("Rk4wQz7nVb"), 7, swaps);
}
