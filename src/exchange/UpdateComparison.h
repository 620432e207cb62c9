#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class IncomingFile;
namespace db {
class Connection;
}

// The comparison of an update import: the records of files that offices send
// again, set against the stored records of the same codes field by field.

// One field whose incoming value differs from the stored one, both as text.
struct ChangedField {
    QString caption;
    QString column;
    QString stored;
    QString incoming;
};

// A record whose code exists and whose incoming values differ.
struct ChangedRecord {
    QString code;
    QString name;  // the stored unit name
    QList<ChangedField> fields;
};

// What one chosen file of an update import came to.
struct FileComparison {
    QString path;     // as chosen
    QString label;
    QString refusal;  // why the file is not taken; empty when it is
    qint64 added = 0;      // records whose code is new
    qint64 identical = 0;  // records equal to the stored ones in every field
    QList<ChangedRecord> changed;  // ascending by code
};

// The new and the differing records of the files of one run, held in
// temporary tables of the connection while the object lives.
class UpdateStaging {
public:
    explicit UpdateStaging(db::Connection& connection);
    ~UpdateStaging();
    UpdateStaging(const UpdateStaging&) = delete;
    UpdateStaging& operator=(const UpdateStaging&) = delete;

    // Compares the records of `file` with the stored ones and keeps its new
    // and differing records. A file with a record its fields refuse, or with
    // a code that a file compared before carries, is refused and nothing of
    // it kept. Raises db::Error when the machine stops the comparison.
    FileComparison compare(IncomingFile& file, const QString& path);
    // In one transaction adds the new records kept and replaces the stored
    // records by the differing ones, whole. Raises db::Error having changed nothing.
    void apply();

private:
    db::Connection& connection_;
    QStringList columns_;  // of the working table, in its order
    QString sameRecord_;   // the condition that a stored record m equals the incoming one in every field
    qint64 kept_ = 0;
};

// "数据导入对照.txt" in the temporary folder.
QString ComparisonReportPath();

// Writes the comparison whole (GB18030, CR LF), a section per file: the
// file, its label, its counts or why it was refused, 80 "-", then for every
// differing record "(code,name)" and one line "标题（字段名）：原值 → 新值"
// per differing field, an empty value shown as "空". Raises std::runtime_error
// when it cannot be written; nothing of it stays then.
void WriteComparisonReport(const QList<FileComparison>& files);
