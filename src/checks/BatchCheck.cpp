#include "checks/BatchCheck.h"

#include "core/FieldRules.h"
#include "core/Progress.h"

#include "core/Platform.h"
#include "core/Prompt.h"
#include "core/Startup.h"
#include "core/TextEncoding.h"
#include "checks/BuiltinRules.h"
#include "checks/CheckFindings.h"
#include "db/Statement.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QScopeGuard>

namespace {

// The run keeps its results file open and posts states in a transaction. At a
// checkpoint, after every kRecordsPerCheckpoint records, on a pause, a stop and
// at the end, it hands the file's buffered findings to the system and commits
// the states: whatever a stop or a crash leaves in the database has its
// findings in the file, and the run costs a few commits instead of one per record.
constexpr int kRecordsPerCheckpoint = 1000;
// The window gets to process its events after the first record and then at
// this interval in milliseconds: often enough to follow the progress and the
// buttons, rarely enough not to slow the run.
constexpr qint64 kEventInterval = 25;

const QString kCheckableSql = QStringLiteral("select dt_data.* from dt_data where c907<=2");

// Writes RecordState of the checked records in a transaction that commit()
// ends; `committed` becomes true once a commit changed a state.
class StateWriter {
public:
    StateWriter(db::Connection& connection, bool& committed)
        : connection_(connection),
          committed_(committed),
          update_(connection, QStringLiteral("UPDATE dt_data SET RecordState=? WHERE c901=?")) {}

    // A run that ends by an error keeps only the states committed at a
    // checkpoint: those whose findings reached the results file.
    ~StateWriter() {
        if (!pending_) return;
        try {
            connection_.rollback();
        } catch (...) {
            // The engine rolls back when the connection closes.
        }
    }

    void post(const QVariant& code, RecordState state) {
        if (!pending_) connection_.begin();
        pending_ = true;
        update_.bind(1, int(state));
        update_.bind(2, code);
        update_.run();
    }

    void commit() {
        if (!pending_) return;
        pending_ = false;
        connection_.commit();
        committed_ = true;
    }

private:
    db::Connection& connection_;
    bool& committed_;
    db::Statement update_;
    bool pending_ = false;
};

// Starts the rule set's state of a run and hands it the results file for the time of the run.
class ResultsFileInUse {
public:
    ResultsFileInUse(TextFileWriter& file, db::Connection& connection) {
        CheckRunState& state = checkRunState();
        state = CheckRunState();
        state.results = &file;
        state.connection = &connection;
    }
    ~ResultsFileInUse() {
        checkRunState().results = nullptr;
        checkRunState().connection = nullptr;
    }
};

Outcome runChecks(WorkingDatabase& database, const QString& selectSql, ui::ProgressSink* monitor, CheckFindings* findings,
                  bool& statesChanged) {
    db::Connection& connection = database.connection;
    const QString path = resultsFilePath(database.label);
    TextFileWriter results(path, TextFileWriter::Mode::Truncate);
    results.writeLine(QStringLiteral("#2019基层以上调查表逻辑检查结果"));
    results.writeLine(QStringLiteral("#检查时间：")
                      + QDateTime::currentDateTime().toString(QStringLiteral("yyyy年MM月dd日 hh:mm")));
    results.writeLine(QString());
    results.writeLine(QString());
    results.flush();

    const int total = int(connection.scalar(QStringLiteral("select count(*) from (") + selectSql + u')').toLongLong());
    if (monitor) monitor->start(total, 0);

    db::Statement rows(connection, selectSql);
    const RuleValueReader reader(rows);
    const int code = rows.columnIndex(QStringLiteral("c901"));
    const int name = rows.columnIndex(QStringLiteral("c902"));
    const int recordState = rows.columnIndex(QStringLiteral("RecordState"));
    StateWriter states(connection, statesChanged);
    ResultsFileInUse inUse(results, connection);
    CheckRunState& state = checkRunState();
    qint64 unitsWithFindings = 0;

    const auto events = monitor ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
    QElapsedTimer clock;
    clock.start();
    qint64 nextEvents = 0;
    auto checkpoint = [&] {
        results.flush();
        states.commit();
    };
    RuleValues values;
    qint64 handled = 0;
    while (rows.next()) {
        // A damaged file can hand out rows again and again: a run checks no more than it counted.
        if (handled == total) throw db::Error(QStringLiteral("数据库文件已损坏（记录多于检查开始时的%1个）").arg(total));
        while (monitor && monitor->paused() && !monitor->stopRequested()) {
            checkpoint();
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        }
        if (monitor && monitor->stopRequested()) break;

        state.unitCode = rows.real(code);
        state.unitName = rows.text(name);
        reader.read(values);
        const bool passed = CheckBuiltinRules(values);
        // A record that already has its state is not written again: a re-check costs little.
        const RecordState newState = passed ? RecordState::Saved : RecordState::SavedWithErrors;
        if (rows.isNull(recordState) || rows.integer(recordState) != int(newState)) states.post(rows.value(code), newState);
        if (!passed) {
            ++unitsWithFindings;
            if (findings) findings->add({qint64(state.unitCode), state.unitName, state.brokenRules});
        }
        if (++handled % kRecordsPerCheckpoint == 0) checkpoint();
        if (monitor) monitor->step();
        if (clock.elapsed() >= nextEvents) {
            QCoreApplication::processEvents(events);
            nextEvents = clock.elapsed() + kEventInterval;
        }
        if (monitor && monitor->stopRequested()) break;
    }
    checkpoint();
    if (monitor && monitor->stopRequested()) return Outcome::declined();
    if (findings) findings->sortByCode();

    if (unitsWithFindings == 0) {
        results.close();
        ui::showMessage(QStringLiteral("恭喜你，所检查的数据没有逻辑错误"));
        return Outcome::done(path);
    }
    results.writeLine(QString(49, u'='));
    results.writeLine(QStringLiteral("共有%1个单位的数据存在逻辑错误！").arg(unitsWithFindings));
    results.writeLine(QStringLiteral("共有%1个逻辑错误项！").arg(state.findingsCount));
    results.close();
    if (!findings) openWithDefaultApplication(path);
    return Outcome::refused(QStringLiteral("共有%1个单位的数据存在逻辑错误！").arg(unitsWithFindings), path);
}

} // namespace

QString resultsFilePath(const QString& label) {
    return tempFolder() + u'/' + fileNameWithPart(QStringLiteral("2019基层以上-"), label, QStringLiteral("-逻辑检查结果.txt"));
}

QString allRecordsSql() { return kCheckableSql; }

QString recordRangeSql(double firstCode, double lastCode) {
    return kCheckableSql + QString::asprintf(" and dt_data.c901>=%.2f and dt_data.c901<=%.2f", firstCode, lastCode);
}

QString selectedRecordsSql(const QList<qint64>& codes) {
    QStringList list;
    for (qint64 c : codes) list << QString::number(c);
    return kCheckableSql + QStringLiteral(" and dt_data.c901 in (") + list.join(u',') + u')';
}

Outcome RunBatchCheck(WorkingDatabase& database, const QString& selectSql, ui::ProgressSink* monitor,
                      CheckFindings* findings) {
    bool statesChanged = false;
    // Also after an error: the states committed before it stay.
    const auto announce = qScopeGuard([&] {
        if (statesChanged) database.announceRecordsChanged();
    });
    try {
        return runChecks(database, selectSql, monitor, findings, statesChanged);
    } catch (const std::exception& e) {
        ui::showRunError(QString::fromUtf8(e.what()), ui::contactTail());
        return Outcome::failed(QString::fromUtf8(e.what()));
    }
}
