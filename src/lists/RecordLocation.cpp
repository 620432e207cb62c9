#include "lists/RecordLocation.h"

#include "core/Pinyin.h"
#include "core/Prompt.h"
#include "db/Connection.h"
#include "db/RecordSet.h"
#include "db/Statement.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

const QString kKeyField = QStringLiteral("c901");

LocateOutcome notFound() {
    ui::showMessage(QStringLiteral("没有找到满足条件的数据"));
    return LocateOutcome::NotFound;
}

// A LIKE pattern that finds `text` anywhere, each of its characters standing for itself.
QString containsPattern(QString text) {
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('%'), QLatin1String("\\%"));
    text.replace(QLatin1Char('_'), QLatin1String("\\_"));
    return QLatin1Char('%') + text + QLatin1Char('%');
}

// The names of the records with their pinyin, kept for the run in code order:
// a name is transliterated once, again only when it changed, whichever
// database the code comes from. One string per record holds its name with the
// Latin letters in lower case (for the characters' match, as LIKE compares)
// and, after a line break, its pinyin keys; the table is read in code order,
// so the names are visited in the order they lie in memory.
struct KeptName {
    qint64 code;
    std::string text;
    size_t nameLength;
    std::string_view name() const { return std::string_view(text).substr(0, nameLength); }
    std::string_view pinyin() const { return std::string_view(text).substr(nameLength + 1); }
};

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

std::string asciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = asciiLower(c);
    return lower;
}

bool sameLowered(std::string_view lower, std::string_view name) {
    if (lower.size() != name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (lower[i] != asciiLower(name[i])) return false;
    return true;
}

class KeptNames {
public:
    const KeptName& of(qint64 code, std::string_view name) {
        // The next record is most often the one after the last.
        if (next_ >= names_.size() || names_[next_].code != code)
            next_ = size_t(std::lower_bound(names_.begin(), names_.end(), code,
                                            [](const KeptName& kept, qint64 c) { return kept.code < c; })
                           - names_.begin());
        if (next_ == names_.size() || names_[next_].code != code)
            names_.insert(names_.begin() + qsizetype(next_), made(code, name));
        else if (!sameLowered(names_[next_].name(), name))
            names_[next_] = made(code, name);
        return names_[next_++];
    }

private:
    static KeptName made(qint64 code, std::string_view name) {
        const std::string lower = asciiLower(name);
        return {code, lower + '\n' + pinyinKeys(QString::fromUtf8(name.data(), qsizetype(name.size()))), lower.size()};
    }
    std::vector<KeptName> names_;
    size_t next_ = 0;
};

// For text that can be pinyin, one pass over the names in the database's
// order: the first name that holds the text as typed (Latin letters in either
// case), or else the first whose pinyin holds it.
QVariant codeByCharactersOrPinyin(db::Connection& connection, const QString& typed, const QString& query) {
    static KeptNames kept;
    const std::string text = asciiLower(typed.toStdString());
    const std::string pinyin = query.toStdString();
    QVariant byPinyin;
    for (db::Statement rows(connection, QStringLiteral("select c901, c902 from dt_data")); rows.next();) {
        const qint64 code = rows.integer(0);
        const KeptName& name = kept.of(code, rows.utf8(1));
        if (name.name().find(text) != std::string_view::npos) return code;
        if (byPinyin.isNull() && name.pinyin().find(pinyin) != std::string_view::npos) byPinyin = code;
    }
    return byPinyin;
}

} // namespace

LocateOutcome LocateRecordByCode(db::RecordSet& list, const QString& codeText) {
    if (codeText.size() != 12) {
        ui::showMessage(QStringLiteral("编码必须为12位"));
        return LocateOutcome::CodeNotTwelveDigits;
    }
    bool isNumber = false;
    const qint64 code = codeText.toLongLong(&isNumber);
    if (!isNumber || !list.isOpen() || !list.locate(kKeyField, code)) return notFound();
    return LocateOutcome::Found;
}

LocateOutcome LocateRecordByName(db::Connection& connection, db::RecordSet& list, const QString& name) {
    const QString query = pinyinQuery(name);
    const QVariant code = query.isEmpty()
        ? connection.scalar(QStringLiteral("select c901 from dt_data where c902 like ? escape '\\'"), {containsPattern(name.trimmed())})
        : codeByCharactersOrPinyin(connection, name.trimmed(), query);
    if (code.isNull() || !list.isOpen() || !list.locate(kKeyField, code)) return notFound();
    return LocateOutcome::Found;
}
