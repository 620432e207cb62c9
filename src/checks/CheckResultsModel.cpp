#include "checks/CheckResultsModel.h"

#include "checks/BuiltinRules.h"
#include "checks/RuleText.h"

namespace {

enum Column { CodeOrPage, NameOrRule, CountOrExplanation, ColumnCount };

QString pageText(int page) { return QStringLiteral("第%1页").arg(page); }

} // namespace

CheckFindingsModel::CheckFindingsModel(db::Connection& connection, CheckFindings& findings, QObject* parent)
    : QAbstractItemModel(parent), connection_(connection), findings_(findings), explanations_(size_t(kRuleCount)) {}

void CheckFindingsModel::reload() {
    beginResetModel();
    endResetModel();
}

int CheckFindingsModel::recheck(qint64 code) {
    const int old = findings_.indexOf(code);
    if (old >= 0) {
        beginRemoveRows(QModelIndex(), old, old);
        findings_.remove(old);
        endRemoveRows();
    }
    UnitFindings now = RecheckRecord(connection_, code);
    if (now.rules.empty()) return -1;
    const int row = findings_.placeOf(code);
    beginInsertRows(QModelIndex(), row, row);
    findings_.insert(std::move(now));
    endInsertRows();
    return row;
}

qint64 CheckFindingsModel::codeAt(const QModelIndex& index) const {
    if (!index.isValid()) return 0;
    if (isFinding(index)) return qint64(index.internalId());
    return findings_.units()[size_t(index.row())].code;
}

int CheckFindingsModel::pageAt(const QModelIndex& index) const {
    if (!isFinding(index)) return -1;
    const int unit = findings_.indexOf(codeAt(index));
    return unit < 0 ? -1 : findingRule(findings_.units()[size_t(unit)].rules[size_t(index.row())]).page;
}

QString CheckFindingsModel::fieldAt(const QModelIndex& index) const {
    if (!isFinding(index)) return {};
    const int unit = findings_.indexOf(codeAt(index));
    return unit < 0 ? QString() : findingRule(findings_.units()[size_t(unit)].rules[size_t(index.row())]).focus.toString();
}

QModelIndex CheckFindingsModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= ColumnCount || row >= rowCount(parent)) return {};
    if (!parent.isValid()) return createIndex(row, column, quintptr(0));
    return createIndex(row, column, quintptr(codeAt(parent)));
}

QModelIndex CheckFindingsModel::parent(const QModelIndex& child) const {
    if (!isFinding(child)) return {};
    const int unit = findings_.indexOf(qint64(child.internalId()));
    return unit < 0 ? QModelIndex() : createIndex(unit, 0, quintptr(0));
}

int CheckFindingsModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return int(findings_.units().size());
    if (isFinding(parent) || parent.column() != 0) return 0;
    return int(findings_.units()[size_t(parent.row())].rules.size());
}

int CheckFindingsModel::columnCount(const QModelIndex&) const { return ColumnCount; }

const QString& CheckFindingsModel::explanation(int rule) const {
    QString& text = explanations_[size_t(rule)];
    if (text.isNull()) text = Parse(connection_, findingRule(std::uint8_t(rule)).explain.toString());
    return text;
}

QVariant CheckFindingsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
    if (!isFinding(index)) {
        const UnitFindings& unit = findings_.units()[size_t(index.row())];
        switch (index.column()) {
        case CodeOrPage: return QString::number(unit.code);
        case NameOrRule: return unit.name;
        default: return QString::number(unit.rules.size());
        }
    }
    const int unit = findings_.indexOf(codeAt(index));
    if (unit < 0) return {};
    const int rule = findings_.units()[size_t(unit)].rules[size_t(index.row())];
    switch (index.column()) {
    case CodeOrPage: return pageText(findingRule(std::uint8_t(rule)).page);
    case NameOrRule: return findingRule(std::uint8_t(rule)).rule.toString();
    default: return explanation(rule);
    }
}

QVariant CheckFindingsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case CodeOrPage: return QStringLiteral("单位编号／页号");
    case NameOrRule: return QStringLiteral("单位名称／判断规则");
    default: return QStringLiteral("错误项数／规则说明");
    }
}

RuleFrequencyModel::RuleFrequencyModel(const CheckFindingsModel& findingsModel, const CheckFindings& findings, QObject* parent)
    : QAbstractTableModel(parent), findingsModel_(findingsModel), findings_(findings) {}

void RuleFrequencyModel::reload() {
    beginResetModel();
    rows_ = findings_.ruleFrequencies();
    endResetModel();
}

int RuleFrequencyModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

int RuleFrequencyModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 4; }

QVariant RuleFrequencyModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
    const RuleFrequency& row = rows_[size_t(index.row())];
    const BuiltinRule& rule = findingRule(std::uint8_t(row.rule));
    switch (index.column()) {
    case 0: return QString::number(row.findings);
    case 1: return pageText(rule.page);
    case 2: return rule.rule.toString();
    default: return findingsModel_.explanation(row.rule);
    }
}

QVariant RuleFrequencyModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const QString titles[] = {QStringLiteral("错误项数"), QStringLiteral("页号"), QStringLiteral("判断规则"),
                                     QStringLiteral("规则说明")};
    return titles[section];
}
