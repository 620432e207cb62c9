#pragma once

#include <QString>

namespace db {
class Connection;
}

// How far the campaign has come: the records of the database by RecordState.
struct RecordStateCounts {
    qint64 total = 0;
    qint64 saved = 0;            // saved without logic errors (1)
    qint64 savedWithErrors = 0;  // saved with logic errors (2)
    qint64 held = 0;             // kept without a check (0, or no state)

    // "共N条：无错误a条，有错误b条，临时保存c条"
    QString text() const;
};

RecordStateCounts CountRecordStates(db::Connection& connection);
