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
struct KeptPinyin {
    QString name;
    NamePinyin pinyin;
};

const NamePinyin& pinyinOf(qint64 code, const QString& name) {
    static QHash<qint64, KeptPinyin> kept;
    auto it = kept.find(code);
    if (it == kept.end()) it = kept.insert(code, {name, NamePinyin(name)});
    else if (it->name != name) *it = {name, NamePinyin(name)};
    return it->pinyin;
}

// The code of the first record, in the database's order, whose name's pinyin holds `query`.
QVariant codeByPinyin(db::Connection& connection, const QString& query) {
    const std::string ascii = query.toStdString();
    for (db::Statement rows(connection, QStringLiteral("select c901, c902 from dt_data")); rows.next();)
        if (pinyinOf(rows.integer(0), rows.text(1)).matches(ascii)) return rows.value(0);
    return {};
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
    QVariant code = connection.scalar(QStringLiteral("select c901 from dt_data where c902 like ? escape '\\'"),
                                      {containsPattern(name.trimmed())});
    const QString query = pinyinQuery(name);
    if (code.isNull() && !query.isEmpty()) code = codeByPinyin(connection, query);
    if (code.isNull() || !list.isOpen() || !list.locate(kKeyField, code)) return notFound();
    return LocateOutcome::Found;
}
