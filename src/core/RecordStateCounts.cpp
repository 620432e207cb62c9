#include "core/RecordStateCounts.h"

#include "db/Statement.h"

QString RecordStateCounts::text() const {
    return QStringLiteral("共%1条：无错误%2条，有错误%3条，临时保存%4条").arg(total).arg(saved).arg(savedWithErrors).arg(held);
}

RecordStateCounts CountRecordStates(db::Connection& connection) {
    db::Statement counts(connection, QStringLiteral("SELECT count(*), total(RecordState=1), total(RecordState=2) FROM dt_data"));
    RecordStateCounts c;
    if (!counts.next()) return c;
    c.total = counts.integer(0);
    c.saved = counts.integer(1);
    c.savedWithErrors = counts.integer(2);
    c.held = c.total - c.saved - c.savedWithErrors;
    return c;
}
