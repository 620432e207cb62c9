#include "checks/CheckFindings.h"

#include "checks/BuiltinRules.h"
#include "db/Connection.h"
#include "db/RecordSet.h"
#include "db/Statement.h"

#include <QSet>
#include <algorithm>
#include <array>

namespace {

bool byCode(const UnitFindings& a, const UnitFindings& b) { return a.code < b.code; }

} // namespace

void CheckFindings::add(UnitFindings unit) {
    findingCount_ += qint64(unit.rules.size());
    units_.push_back(std::move(unit));
}

void CheckFindings::sortByCode() {
    if (!std::is_sorted(units_.begin(), units_.end(), byCode)) std::stable_sort(units_.begin(), units_.end(), byCode);
}

int CheckFindings::indexOf(qint64 code) const {
    const int place = placeOf(code);
    return place < int(units_.size()) && units_[size_t(place)].code == code ? place : -1;
}

std::vector<RuleFrequency> CheckFindings::ruleFrequencies() const {
    std::array<qint64, kRuleCount> counts{};
    for (const UnitFindings& unit : units_)
        for (std::uint8_t rule : unit.rules) ++counts[rule];
    std::vector<RuleFrequency> frequencies;
    for (int rule = 0; rule < kRuleCount; ++rule)
        if (counts[size_t(rule)] > 0) frequencies.push_back({rule, counts[size_t(rule)]});
    std::stable_sort(frequencies.begin(), frequencies.end(),
                     [](const RuleFrequency& a, const RuleFrequency& b) { return a.findings > b.findings; });
    return frequencies;
}

int CheckFindings::placeOf(qint64 code) const {
    return int(std::lower_bound(units_.begin(), units_.end(), code,
                                [](const UnitFindings& unit, qint64 c) { return unit.code < c; })
               - units_.begin());
}

void CheckFindings::remove(int index) {
    findingCount_ -= qint64(units_[size_t(index)].rules.size());
    units_.erase(units_.begin() + index);
}

void CheckFindings::insert(UnitFindings unit) {
    findingCount_ += qint64(unit.rules.size());
    const int place = placeOf(unit.code);
    units_.insert(units_.begin() + place, std::move(unit));
}

bool CheckFindings::dropMissing(db::Connection& connection) {
    QSet<qint64> existing;
    for (db::Statement codes(connection, QStringLiteral("SELECT c901 FROM dt_data")); codes.next();)
        existing.insert(codes.integer(0));
    const auto gone = std::remove_if(units_.begin(), units_.end(), [&](const UnitFindings& unit) {
        if (existing.contains(unit.code)) return false;
        findingCount_ -= qint64(unit.rules.size());
        return true;
    });
    if (gone == units_.end()) return false;
    units_.erase(gone, units_.end());
    return true;
}

void CheckFindings::listUnits(db::Connection& connection, db::RecordSet& list) const {
    connection.execute(QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS check_result_units(c901 INTEGER PRIMARY KEY)"));
    {
        db::Transaction transaction(connection);
        connection.execute(QStringLiteral("DELETE FROM temp.check_result_units"));
        db::Statement insert(connection, QStringLiteral("INSERT INTO temp.check_result_units(c901) VALUES(?)"));
        for (const UnitFindings& unit : units_) {
            insert.bind(1, unit.code);
            insert.run();
        }
        transaction.commit();
    }
    list.openKeyed(connection,
                   QStringLiteral("SELECT c901 FROM dt_data WHERE c901 IN (SELECT c901 FROM temp.check_result_units) ORDER BY c901"),
                   QStringLiteral("c901"));
}

UnitFindings RecheckRecord(db::Connection& connection, qint64 code) {
    UnitFindings found;
    found.code = code;
    db::Statement row(connection, QStringLiteral("SELECT dt_data.* FROM dt_data WHERE c901=? AND c907<=2"));
    row.bind(1, code);
    if (!row.next()) return found;
    found.name = row.text(row.columnIndex(QStringLiteral("c902")));
    RuleValues values;
    RuleValueReader(row).read(values);
    for (const BuiltinRule& rule : builtinRules())
        if (rule.broken(values)) found.rules.push_back(std::uint8_t(rule.number - 1));
    return found;
}

const BuiltinRule& findingRule(std::uint8_t rule) { return builtinRules()[rule]; }
