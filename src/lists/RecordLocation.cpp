#include "lists/RecordLocation.h"

#include "core/Prompt.h"
#include "db/Connection.h"
#include "db/RecordSet.h"

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
    const QVariant code = connection.scalar(QStringLiteral("select c901 from dt_data where c902 like ? escape '\\'"),
                                            {containsPattern(name.trimmed())});
    if (code.isNull() || !list.isOpen() || !list.locate(kKeyField, code)) return notFound();
    return LocateOutcome::Found;
}
