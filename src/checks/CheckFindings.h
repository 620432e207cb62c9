#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace db {
class Connection;
class RecordSet;
}
struct BuiltinRule;

// The findings of a batch check as the program keeps them after the run: the
// records with findings, each with the rules it breaks, so that a clerk can
// go from a finding to its field. A finding is the number of its rule, so
// 235,000 findings take a few hundred kilobytes.

struct UnitFindings {
    qint64 code = 0;
    QString name;
    std::vector<std::uint8_t> rules;  // positions in builtinRules(), in the order of evaluation
};

struct RuleFrequency {
    int rule = 0;  // position in builtinRules()
    qint64 findings = 0;
};

class CheckFindings {
public:
    // Adds a record with findings (checked in any order; kept in code order by sortByCode).
    void add(UnitFindings unit);
    void sortByCode();

    const std::vector<UnitFindings>& units() const { return units_; }
    qint64 findingCount() const { return findingCount_; }
    // The position of a record in units(); -1 when it has no findings.
    int indexOf(qint64 code) const;
    // Where a record of that code stands or would stand in code order.
    int placeOf(qint64 code) const;
    // How often each broken rule was found, most frequent first (equal counts in rule order).
    std::vector<RuleFrequency> ruleFrequencies() const;

    // A record's findings after a re-check (RecheckRecord) replace its old ones:
    // remove() the old, insert() the new at placeOf() when it still breaks rules.
    void remove(int index);
    void insert(UnitFindings unit);
    // Drops the records that are no longer in the database (deleted); true when there were any.
    bool dropMissing(db::Connection& connection);

    // Opens `list` over the records with findings, in code order, keyed by
    // c901: the navigation of the entry dialog over them.
    void listUnits(db::Connection& connection, db::RecordSet& list) const;

private:
    std::vector<UnitFindings> units_;
    qint64 findingCount_ = 0;
};

// Checks the record `code` of `connection` again with the built-in rule set,
// writing nothing. No rules when it breaks none, is gone, or is in a
// reporting state above 2 (not checked).
UnitFindings RecheckRecord(db::Connection& connection, qint64 code);

// The rule of a finding.
const BuiltinRule& findingRule(std::uint8_t rule);
