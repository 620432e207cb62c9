#include "checks/RuleText.h"

#include "core/Prompt.h"
#include "db/RecordSet.h"

#include <QHash>

namespace {

// The field list query, opened on first use and kept open; it closes with its
// connection, and the next lookup opens it again on the connection it is given.
// The captions are taken from it once per opening.
struct FieldCaptions {
    db::RecordSet fieldList;
    const db::Connection* connection = nullptr;
    QHash<QString, QString> hintByName;  // lower-case FieldName -> Hint
};

const QHash<QString, QString>& fieldCaptions(db::Connection& connection) {
    static FieldCaptions cache;
    if (!cache.fieldList.isOpen() || cache.connection != &connection) {
        cache.hintByName.clear();
        cache.fieldList.close();
        cache.connection = &connection;
        cache.fieldList.open(connection, QStringLiteral("select * from DT_FieldList"));
        for (cache.fieldList.first(); !cache.fieldList.atEnd(); cache.fieldList.next())
            cache.hintByName.insert(cache.fieldList.text(QStringLiteral("FieldName")).toLower(),
                                    cache.fieldList.text(QStringLiteral("Hint")));
    }
    return cache.hintByName;
}

bool isAsciiLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// The characters that end a term collected inside brackets, and are kept.
bool endsBracketTerm(QChar c) { return QStringView(u" ()*+-/").contains(c); }

} // namespace

QString ParseKey(db::Connection& connection, const QString& term) {
    QString key = term;
    if (key.startsWith(u'[')) key.remove(0, 1);
    if (key.endsWith(u']')) key.chop(1);
    if (key == u"<=") return QStringLiteral("不能大于");
    if (key == u">=") return QStringLiteral("不能小于");
    if (key == u"=") return QStringLiteral("必须等于");
    if (key == u">") return QStringLiteral("必须大于");
    if (key == u"<") return QStringLiteral("必须小于");
    try {
        const auto& captions = fieldCaptions(connection);
        const auto it = captions.constFind(key.toLower());
        return it == captions.constEnd() ? key : QLatin1Char('[') + it.value() + QLatin1Char(']');
    } catch (const db::Error& e) {
        // Without the field list the term stays as written; the rest of the text still renders.
        ui::showRunError(e.message(), QStringLiteral(",当前的Key为") + term);
        return key;
    }
}

QString Parse(db::Connection& connection, const QString& explain) {
    enum { Outside, InWord, InBrackets } state = Outside;
    QString term;
    QString out;
    auto flushTerm = [&] {
        out += ParseKey(connection, term);
        term.clear();
    };
    for (const QChar c : explain) {
        if (isAsciiLetter(c)) {
            term += c;
            state = InWord;
        } else if (c == u'[') {
            if (state == InWord) flushTerm();
            state = InBrackets;
        } else if (isDigit(c)) {
            if (state == Outside) out += c;
            else term += c;
        } else if (state == InWord) {
            flushTerm();
            if (c != u']') out += c;
            state = Outside;
        } else if (state == InBrackets) {
            if (c == u']' || endsBracketTerm(c)) {
                flushTerm();
                if (c != u']') out += c;
                state = Outside;
            } else {
                term += c;
            }
        } else {
            out += c;
        }
    }
    if (state != Outside && !term.isEmpty()) flushTerm();
    return out;
}
