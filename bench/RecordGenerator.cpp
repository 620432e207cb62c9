#include "RecordGenerator.h"

#include "checks/BuiltinRules.h"
#include "db/Connection.h"
#include "db/Statement.h"
#include "entry/LevelRule.h"
#include "summary/Groupings.h"

#include <QRegularExpression>
#include <QStringList>
#include <random>
#include <vector>

namespace {

struct Field {
    QString name;
    int queryType;
    QString rule;
};

// "a <= b + c": the value of a is kept within the sum of the others.
struct Bound {
    int field;
    std::vector<int> parts;
};

std::vector<Field> readFields(db::Connection& connection) {
    std::vector<Field> fields;
    db::Statement rows(connection, QStringLiteral("SELECT FieldName, QueryType, Rule FROM DT_FieldList ORDER BY ID"));
    while (rows.next()) fields.push_back({rows.text(0), int(rows.integer(1)), rows.text(2)});
    return fields;
}

std::vector<Bound> readBounds(db::Connection& connection, const std::vector<Field>& fields) {
    auto indexOf = [&](const QString& name) {
        for (size_t i = 0; i < fields.size(); ++i)
            if (fields[i].name == name) return int(i);
        return -1;
    };
    static const QRegularExpression simple(QStringLiteral("^\\s*(\\w+)\\s*<=\\s*(\\w+(\\s*\\+\\s*\\w+)*)\\s*$"));
    std::vector<Bound> bounds;
    db::Statement rules(connection, QStringLiteral("SELECT rule FROM dt_logic ORDER BY ID"));
    while (rules.next()) {
        const auto match = simple.match(rules.text(0));
        if (!match.hasMatch()) continue;
        Bound bound{indexOf(match.captured(1)), {}};
        for (const QString& part : match.captured(2).split(QLatin1Char('+'))) bound.parts.push_back(indexOf(part.trimmed()));
        bounds.push_back(bound);
    }
    return bounds;
}

std::vector<int> readCodes(db::Connection& connection, const QString& sql) {
    std::vector<int> codes;
    db::Statement rows(connection, sql);
    while (rows.next()) codes.push_back(int(rows.integer(0)));
    return codes;
}

// Fillers' names are written in Chinese characters.
const QString kSurnames = QStringLiteral("王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗");
const QStringList kGivenNames = {QStringLiteral("伟"), QStringLiteral("芳"), QStringLiteral("娜"), QStringLiteral("秀英"),
                                 QStringLiteral("敏"), QStringLiteral("静"), QStringLiteral("丽"), QStringLiteral("强"),
                                 QStringLiteral("磊"), QStringLiteral("军"), QStringLiteral("洋"), QStringLiteral("勇"),
                                 QStringLiteral("艳"), QStringLiteral("杰"), QStringLiteral("娟"), QStringLiteral("涛")};

// Fields a repair never clears: the members that every return has, and the
// cadre figures that local unions must report.
const QStringList kAnchors = {QStringLiteral("z001"), QStringLiteral("z003"), QStringLiteral("x001"),
                              QStringLiteral("d007"), QStringLiteral("d017"), QStringLiteral("d033")};

// Makes a return mostly consistent: every rule it breaks has its other fields
// cleared, a few rounds over, using the rule set the batch check applies.
class Repair {
public:
    explicit Repair(const std::vector<Field>& fields) {
        static const QRegularExpression word(QStringLiteral("\\b[a-z]\\d{3}\\b"));
        auto indexOf = [&](const QString& name) {
            for (size_t i = 0; i < fields.size(); ++i)
                if (fields[i].name == name) return int(i);
            return -1;
        };
        for (const QString& name : ruleColumnNames()) columns_.push_back(indexOf(name));
        for (const BuiltinRule& rule : builtinRules()) {
            std::vector<int> cleared;
            for (auto it = word.globalMatch(rule.rule.toString()); it.hasNext();) {
                const QString name = it.next().captured();
                if (!kAnchors.contains(name) && !name.startsWith(QLatin1Char('c'))) cleared.push_back(indexOf(name));
            }
            cleared_.push_back(cleared);
        }
    }

    // Returns whether the return breaks no rule afterwards.
    bool run(std::vector<double>& values, int level) {
        for (int round = 0; round < 4; ++round) {
            RuleValues v{};
            for (size_t k = 0; k < columns_.size(); ++k) v[k] = columns_[k] >= 0 ? values[size_t(columns_[k])] : 0;
            v[1] = level;
            bool clean = true;
            for (size_t r = 0; r < size_t(kRuleCount); ++r) {
                if (!builtinRules()[r].broken(v)) continue;
                clean = false;
                for (int i : cleared_[r]) values[size_t(i)] = 0;
            }
            if (clean) return true;
        }
        return false;
    }

private:
    std::vector<int> columns_;
    std::vector<std::vector<int>> cleared_;
};

} // namespace

void generateRecords(db::Connection& connection, int count, unsigned seed) {
    const std::vector<Field> fields = readFields(connection);
    const std::vector<Bound> bounds = readBounds(connection, fields);
    const std::vector<int> divisions = readCodes(connection, QStringLiteral("SELECT ID FROM CT_CityName WHERE Code3 <> 0"));
    const std::vector<int> levels = readCodes(connection, QStringLiteral("SELECT ID FROM CT_LevelCode WHERE ID <> 0"));
    Repair repair(fields);
    std::mt19937 random(seed);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };

    QStringList names, marks;
    for (const Field& f : fields) {
        names << db::quoteIdentifier(f.name);
        marks << QStringLiteral("?");
    }
    db::Transaction transaction(connection);
    db::Statement insert(connection, QStringLiteral("INSERT INTO dt_data(%1) VALUES(%2)")
                                         .arg(names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
    std::vector<double> values(fields.size());
    const qint64 firstCode = qint64(divisions.front()) * 1000000;
    auto fieldIndex = [&](const char* name) {
        for (size_t i = 0; i < fields.size(); ++i)
            if (fields[i].name == QLatin1String(name)) return int(i);
        return 0;
    };
    const int indexOfD007 = fieldIndex("d007"), indexOfD017 = fieldIndex("d017"), indexOfD033 = fieldIndex("d033"),
              indexOfX001 = fieldIndex("x001");
    for (int r = 0; r < count; ++r) {
        const int division = divisions[size_t(pick(0, int(divisions.size()) - 1))];
        const int level = pick(0, 3) == 0 ? pick(1, 3) : levels[size_t(pick(0, int(levels.size()) - 1))];
        const int state = pick(0, 30) == 0 ? pick(3, 5) : pick(1, 2);
        const int scale = level <= 3 ? 5000 : 400;
        for (size_t i = 8; i < fields.size(); ++i) {
            const Field& f = fields[i];
            if (state >= 3 || (!f.rule.isEmpty() && !MatchLevelRule(level, f.rule))) values[i] = 0;
            else if (f.queryType == 3) values[i] = pick(1, 2);
            else if (f.queryType == 2) values[i] = pick(0, scale * 4) / 4.0;
            else values[i] = pick(0, scale);
        }
        for (int pass = 0; pass < 3; ++pass)
            for (const Bound& b : bounds) {
                double limit = 0;
                for (int part : b.parts) limit += values[size_t(part)];
                if (values[size_t(b.field)] > limit) values[size_t(b.field)] = std::floor(limit / 2);
            }
        if (level <= 3) {
            // Local unions report their cadres: enough of them for the checks of the cadre sheets.
            values[size_t(indexOfD007)] = std::max(values[size_t(indexOfD007)], 1.0 + pick(0, 20));
            values[size_t(indexOfD017)] = 20 + pick(0, 30);
            values[size_t(indexOfD033)] = 20 + pick(0, 30);
            values[size_t(indexOfX001)] = std::max(values[size_t(indexOfX001)], 1.0);
        }
        if (state < 3) repair.run(values, level);
        if (pick(0, 9) == 0) values[size_t(pick(8, int(fields.size()) - 1))] += 100000;  // broken on purpose

        insert.bind(1, firstCode + qint64(r) * 7 + pick(0, 6));
        insert.bind(2, QStringLiteral("第%1号工会联合会").arg(r + 1));
        insert.bind(3, division);
        insert.bind(4, level);
        insert.bind(5, QString(kSurnames[r % kSurnames.size()]) + kGivenNames[(r / 7) % kGivenNames.size()]);
        insert.bind(6, QStringLiteral("010-6%1").arg(1000000 + r));
        insert.bind(7, state);
        insert.bind(8, pick(0, 2));
        for (size_t i = 8; i < fields.size(); ++i)
            insert.bind(int(i) + 1, fields[i].queryType == 2 ? QVariant(values[i]) : QVariant(qint64(values[i])));
        insert.run();
    }
    transaction.commit();
}

qint64 addHundredGroups(db::Connection& connection) {
    const qint64 low = connection.scalar(QStringLiteral("select min(c901) from dt_data")).toLongLong();
    const qint64 high = connection.scalar(QStringLiteral("select max(c901) from dt_data")).toLongLong() + 1;
    const qint64 group = AddGrouping(connection, QStringLiteral("百组"));
    for (int i = 0; i < 100; ++i)
        AddGroupItem(connection, group, {QStringLiteral("第%1组").arg(i + 1), low + (high - low) * i / 100, QStringLiteral(">="),
                                         low + (high - low) * (i + 1) / 100, QStringLiteral("<")});
    return group;
}
