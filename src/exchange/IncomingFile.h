#pragma once

#include "db/Statement.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

namespace db {
class Connection;
class StatementTimeLimit;
}

// The steps the import of one file and the import of several files share:
// opening a chosen exchange or backup file, checking it before any row is
// copied, adding its records all or nothing, and the conflict report.

// A chosen file opened for reading. A transformed file is read through the
// working copy "temp.dat" in the program folder; the chosen file is never
// changed. The file is attached read-only to the working connection and every
// statement on it runs under a time limit. When the object ends, the file is
// detached and the working copy removed.
class IncomingFile {
public:
    // Opens `chosen` and checks it for an import into `table`: the file is
    // intact, holds `table` and the label table as tables, and the working
    // database holds `table`. Reads the label and the number of records.
    IncomingFile(db::Connection& connection, const QString& table, const QString& chosen);
    ~IncomingFile();
    IncomingFile(const IncomingFile&) = delete;
    IncomingFile& operator=(const IncomingFile&) = delete;

    // Empty when the file can be imported; otherwise the message saying why not.
    const QString& problem() const { return problem_; }
    const QString& label() const { return label_; }
    qint64 records() const { return records_; }
    // Whether the file's records have the working table's columns in its order.
    bool sameColumns() const { return !columns_.isEmpty(); }
    // The c901 of every record of the file, ascending.
    QStringList recordCodes() const;

    // A column of the records and the rule its field sets.
    struct CheckedColumn {
        QString name;
        QString caption;
        db::ValueRule rule;
    };

    // One record whose c901 exists already: its code and unit name.
    struct Conflict {
        QString code;
        QString name;
    };
    enum class Result {
        Imported,    // every record was added
        Conflicting, // nothing added; the records whose c901 exists are in `conflicts`
        Unreadable,  // nothing added; the records could not be copied at all (a bad record: see failure())
        Failed,      // nothing added; the machine stopped the copy (a full disk): see failure()
    };
    // The columns of the records with their captions and rules, in the working table's order.
    const QList<CheckedColumn>& checkedColumns() const { return checked_; }
    // Copies the records that obey their fields' rules into `target` (a
    // table with the working table's columns, named as SQL writes it); the
    // number copied. Raises db::Error.
    qint64 copyRecordsInto(const QString& target);
    // The message naming the first record with a value its field refuses, or
    // with a code an earlier record of the file has; empty when every record
    // is sound. Raises db::Error.
    QString recordProblem();
    // Whether an import would add records: the file has some, in the working
    // table's columns, and none of their codes exists there yet.
    bool addsRecords();

    // Adds every record of the file to the table in one transaction. When
    // that fails, the records go to the staging table (`table` + "_" +
    // `table`), which keeps those whose c901 exists already; they are returned
    // in `conflicts`, ascending by c901.
    Result importRecords(QList<Conflict>& conflicts);
    // What stopped the copy when it failed, or the record that made the file
    // unreadable, in the clerk's words; empty when nothing is known.
    const QString& failure() const { return failure_; }

private:
    void check();
    db::Connection& connection_;
    QString table_;
    QString chosen_;
    QString readPath_;
    bool workingCopy_ = false;
    bool attached_ = false;
    std::unique_ptr<db::StatementTimeLimit> limit_;
    QString problem_;
    QString failure_;
    QString label_;
    qint64 records_ = 0;
    QString columns_;  // the quoted column list of the copy, empty when the layouts differ
    QList<CheckedColumn> checked_;  // the rule of each column, in that order
};

// A readable file of an import of several, as the label confirmation lists it.
struct ListedFile {
    QString path;
    QString label;
    qint64 records;
};

// The label confirmations of an import (title "提示：", warning look): of
// one file, and of several, listing each with its label and number of records.
QString labelQuestion(const QString& label);
QString severalLabelsQuestion(const QList<ListedFile>& readable, const QStringList& unreadable);
inline QString labelQuestionTitle() { return QStringLiteral("提示："); }

// The conflicts of one refused file, for the report.
struct ConflictSection {
    QString file;  // the chosen path; empty in the report of a single file
    QList<IncomingFile::Conflict> conflicts;
};

// Writes the conflict report anew (GB18030, CR LF): for each section the
// file's line "文件：" + path when it has one, the heading line, 80 "-" and one
// line "(c901,c902)" per record; an empty line between sections. Raises
// std::runtime_error when the file cannot be written, having removed what of
// it was written, so that no message points to a partial report.
void WriteConflictReport(const QList<ConflictSection>& sections);
