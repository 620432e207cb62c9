#include "lists/RecordLocation.h"

#include "core/Pinyin.h"
#include "core/Prompt.h"
#include "db/Connection.h"
#include "db/RecordSet.h"
#include "db/Statement.h"

#include <QHash>

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

// The pinyin of the records' names, kept for the run by record code with the
// name it was made from: a name is transliterated once, again only when it
// changed, whichever database the code comes from.
struct KeptName {
    std::string name;       // as the database holds it (UTF-8)
    std::string lowerName;  // with its Latin letters in lower case, for the characters' match
    NamePinyin pinyin;
};

std::string asciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return lower;
}

const KeptName& keptName(qint64 code, std::string_view name) {
    static QHash<qint64, KeptName> kept;
    auto it = kept.find(code);
    if (it == kept.end() || it->name != name) {
        KeptName made{std::string(name), asciiLower(name), NamePinyin(QString::fromUtf8(name.data(), qsizetype(name.size())))};
        if (it == kept.end()) it = kept.insert(code, std::move(made));
        else *it = std::move(made);
    }
    return *it;
}

// For text that can be pinyin, one pass over the names in the database's
// order: the first name that holds the text as typed (Latin letters in either
// case, as LIKE compares them), or else the first whose pinyin holds it.
QVariant codeByCharactersOrPinyin(db::Connection& connection, const QString& typed, const QString& query) {
    const std::string text = asciiLower(typed.toStdString());
    const std::string pinyin = query.toStdString();
    QVariant byPinyin;
    for (db::Statement rows(connection, QStringLiteral("select c901, c902 from dt_data")); rows.next();) {
        const qint64 code = rows.integer(0);
        const KeptName& name = keptName(code, rows.utf8(1));
        if (name.lowerName.find(text) != std::string::npos) return code;
        if (byPinyin.isNull() && name.pinyin.matches(pinyin)) byPinyin = code;
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
