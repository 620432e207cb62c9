#pragma once

#include "checks/CheckFindings.h"

#include <QAbstractItemModel>
#include <vector>

namespace db {
class Connection;
}

// The views of the window "逻辑检查结果", models over the findings of a check
// (never a widget per row): 100,000 records with 235,000 findings open at once.

// The records with findings, each with its findings below it. A record's row
// shows its code, name and number of findings; a finding's row its page, rule
// text and explanation, as the results file words them.
class CheckFindingsModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    CheckFindingsModel(db::Connection& connection, CheckFindings& findings, QObject* parent = nullptr);

    // The findings changed as a whole (a new check, records deleted).
    void reload();
    // The record `code` was checked again: its findings are replaced, and it leaves
    // the list when clean. Returns the record's row afterwards, -1 when it left.
    int recheck(qint64 code);

    // The record of a row (a record's row or one of its findings).
    qint64 codeAt(const QModelIndex& index) const;
    // The page and field of a finding's row; page -1 for a record's row.
    int pageAt(const QModelIndex& index) const;
    QString fieldAt(const QModelIndex& index) const;
    // A finding's row carries its record's code; a record's row none.
    bool isFinding(const QModelIndex& index) const { return index.isValid() && index.internalId() != 0; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // A rule's explanation rendered by Parse, once per rule.
    const QString& explanation(int rule) const;

private:
    db::Connection& connection_;
    CheckFindings& findings_;
    mutable std::vector<QString> explanations_;
};

// How often each rule was broken, most frequent first: a systematic error stands at the top.
class RuleFrequencyModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    RuleFrequencyModel(const CheckFindingsModel& findingsModel, const CheckFindings& findings, QObject* parent = nullptr);
    // Counts the findings again.
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const CheckFindingsModel& findingsModel_;
    const CheckFindings& findings_;
    std::vector<RuleFrequency> rows_;
};
