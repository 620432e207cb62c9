#pragma once

#include <QString>
#include <string>
#include <string_view>

// Pinyin of unit names, for finding a unit the way Chinese software lets one:
// by the initials ("bjszgh") or the full pinyin ("beijing") of its name.
//
// Each Chinese character is read by ICU's Han-Latin transliteration, without
// tones and in lower case; a character is transliterated once per run and its
// reading kept. Latin letters and digits of a name stand for themselves, other
// characters (brackets, blanks) are left out.
//
// Han-Latin gives one reading per character, so a few characters of place
// names come out wrong: 长 reads "zhang" (长春 is changchun), 厦 "sha" (厦门 is
// xiamen), 重 "zhong" (重庆 is chongqing). For these polyphones a name also
// keeps its place-name reading, with every such character in its other
// reading, and a search matches either.

// What a typed search text is in pinyin: lower case letters without blanks and
// apostrophes ("Bei Jing" and "xi'an" become "beijing" and "xian"); empty when
// the text holds anything else, so that it cannot be pinyin.
QString pinyinQuery(const QString& typed);

// The pinyin keys of one name: the full pinyin and the initials, in the
// transliteration's reading and, when the name has a place-name polyphone, in
// the place-name reading too. Kept in one string of ASCII, the keys separated
// by '|', so that a record's keys cost a few dozen bytes.
class NamePinyin {
public:
    NamePinyin() = default;
    explicit NamePinyin(const QString& name);

    // True when `query` (as pinyinQuery gives it, not empty) lies within the
    // full pinyin or the initials of the name in either reading.
    bool matches(std::string_view query) const { return keys_.find(query) != std::string::npos; }
    // The full pinyin in the transliteration's reading ("beijingshizonggonghui").
    std::string_view full() const { return std::string_view(keys_).substr(0, keys_.find('|')); }

private:
    std::string keys_;
};
