#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace db {
class Connection;
class Statement;
}
class TextFileWriter;

// The built-in rule set: the 98 rules of dt_logic compiled into tests over the
// values of one record, which the batch check applies. An edited dt_logic
// changes the page checks of the entry form, never these.

// The values the rules read from one record: c901, c904 and the 205
// indicators, in the order of ruleColumnNames(). c901 and twelve decimal
// indicators are read as they are stored, every other column as a whole number
// (halves to the even neighbour); NULL reads as 0.
//
// Every term is computed in extended precision. The whole numbers the entry
// form accepts (up to 14 digits) and their sums are exact in it, and products
// are only ever compared with 0, so a verdict equals that of 32-bit integer
// arithmetic wherever 32-bit arithmetic does not overflow, and is the true one
// where it would: a sum past 2^31 never wraps into a negative number.
inline constexpr int kRuleColumnCount = 207;
using RuleValues = std::array<long double, kRuleColumnCount>;

const std::array<QString, kRuleColumnCount>& ruleColumnNames();

// Reads the rule values from the current row of a statement over dt_data.*.
class RuleValueReader {
public:
    // Raises db::Error naming the first column the statement lacks.
    explicit RuleValueReader(const db::Statement& rows);
    void read(RuleValues& values) const;

private:
    const db::Statement& rows_;
    std::array<int, kRuleColumnCount> columns_;
};

inline constexpr int kRuleCount = 98;

struct BuiltinRule {
    int number;                      // 1 to kRuleCount, the order of evaluation
    int page;                        // dt_logic.page_id
    QStringView focus;               // the field the rule is filed under
    QStringView rule;                // the condition that must hold, as the results file shows it
    QStringView explain;             // its explanation, with operator marks for Parse
    bool (*broken)(const RuleValues&);
};

// The rules in the order they are evaluated: page by page, as dt_logic numbers them.
std::span<const BuiltinRule> builtinRules();

// What the rule set shares with the batch check during one run; a run starts
// from a fresh state.
struct CheckRunState {
    double unitCode = 0;                // c901 of the record under test
    QString unitName;                   // its c902
    bool firstFindingPending = true;    // no finding written for this record yet
    std::vector<std::uint8_t> brokenRules;  // the record's broken rules, positions in builtinRules()
    qint64 findingsCount = 0;           // findings written since the run started
    TextFileWriter* results = nullptr;  // the results file of the run, open while it runs
    db::Connection* connection = nullptr;  // the database checked, for the captions of the findings
    // Each rule's finding as the results file holds it, rendered by Parse and
    // encoded at its first use in the run; a finding repeats on many records.
    std::array<QByteArray, kRuleCount> findings;
};
CheckRunState& checkRunState();

// Applies every rule to one record and writes a finding for each broken one.
// True when no rule is broken.
bool CheckBuiltinRules(const RuleValues& values);

// Writes the finding of a broken rule into the results file: its rule text and
// its rendered explanation, preceded by the unit header when it is the record's
// first finding. The page and the focus are not recorded in the file.
void WriteString(const BuiltinRule& rule);
