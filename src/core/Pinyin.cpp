#include "core/Pinyin.h"

#include <QHash>
#include <QStringView>
#include <memory>
#include <unicode/translit.h>
#include <unicode/unistr.h>

namespace {

// Characters of place names (and of 银行, in many units' names) whose reading
// there is not the one Han-Latin gives.
struct PlaceReading {
    char32_t character;
    const char* reading;
};
constexpr PlaceReading kPlaceReadings[] = {
    {U'长', "chang"}, {U'重', "chong"}, {U'厦', "xia"}, {U'行', "hang"}, {U'藏', "zang"}, {U'六', "lu"},
    {U'蚌', "beng"},  {U'番', "pan"},   {U'单', "shan"}, {U'蔚', "yu"},   {U'乐', "yue"},  {U'铅', "yan"},
    {U'曾', "zeng"},  {U'莘', "xin"},   {U'陂', "pi"},   {U'涡', "guo"},  {U'尉', "yu"},   {U'阿', "e"},
    {U'柏', "bo"},    {U'泌', "bi"},    {U'犍', "qian"}, {U'解', "xie"},
};

const char* placeReading(char32_t c) {
    for (const PlaceReading& p : kPlaceReadings)
        if (p.character == c) return p.reading;
    return nullptr;
}

// The reading of one character: lower case letters and digits, empty for a
// character that has none (punctuation, blanks). Each character is
// transliterated once; the transliterator costs microseconds a character.
const std::string& reading(char32_t c) {
    static QHash<char32_t, std::string> readings;
    static const std::unique_ptr<icu::Transliterator> transliterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Transliterator> t(
            icu::Transliterator::createInstance("Han-Latin; Latin-ASCII; Lower", UTRANS_FORWARD, status));
        return U_SUCCESS(status) ? std::move(t) : nullptr;
    }();
    auto found = readings.constFind(c);
    if (found != readings.constEnd()) return *found;
    std::string letters;
    if (c < 0x80) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) letters += char(c);
        else if (c >= 'A' && c <= 'Z') letters += char(c - 'A' + 'a');
    } else if (transliterator) {
        icu::UnicodeString text{UChar32(c)};
        transliterator->transliterate(text);
        std::string out;
        text.toUTF8String(out);
        for (char ch : out)
            if ((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9')) letters += ch;
    }
    return *readings.insert(c, letters);
}

} // namespace

QString pinyinQuery(const QString& typed) {
    QString query;
    for (QChar c : typed) {
        if (c == u' ' || c == u'\'') continue;
        if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() - u'A' + u'a');
        if (c < u'a' || c > u'z') return {};
        query += c;
    }
    return query;
}

std::string pinyinKeys(const QString& name) {
    std::string full, initials, placeFull, placeInitials;
    bool hasPlaceReading = false;
    for (const char32_t c : QStringView(name).toUcs4()) {
        const std::string& own = reading(c);
        if (own.empty()) continue;
        const char* place = placeReading(c);
        hasPlaceReading = hasPlaceReading || place;
        full += own;
        placeFull += place ? place : own;
        // A Latin letter or digit stands for itself in the initials too.
        initials += own.front();
        placeInitials += place ? *place : own.front();
    }
    std::string keys = full + '|' + initials;
    if (hasPlaceReading) keys += '|' + placeFull + '|' + placeInitials;
    return keys;
}
