#pragma once

#include <QString>
#include <string>

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

// The pinyin keys of one name: its full pinyin and its initials in the
// transliteration's reading and, when the name has a place-name polyphone, in
// the place-name reading too, joined by '|' ("beijingshizonggonghui|bjszgh").
// A query (as pinyinQuery gives it) matches the name when the keys hold it; a
// name's keys cost a few dozen bytes of ASCII.
std::string pinyinKeys(const QString& name);
