#include "checks/BuiltinRules.h"

#include "core/TextEncoding.h"
#include "checks/RuleText.h"
#include "db/Statement.h"

#include <stdexcept>

namespace {

// The columns of RuleValues: each name stands for the position of its column.
enum RuleColumn : int {
    c901,
    c904,
    z001, z002, z003, z004, z005, z006, z007, z008, z009, z010, z011,
    x001, x002, x003, x004, x005, x006, x007, x008, x009, x010, x011, x012, x013, x014, x015, x016, x017, x018,
    b001, b002, b003, b004, b005, b006, b007, b008, b009, b010, b011, b012, b013, b014, b015, b016, b017, b018,
    b019, b020, b021, b022, b023, b024, b025, b026, b027, b028, b029, b030, b031, b032, b033, b034, b035, b036,
    b037, b038, b039, b040, b041, b042,
    f001, f002, f003, f004, f005, f006, f007, f008, f009, f010, f011, f012, f013, f014, f015, f016, f017, f018,
    l001, l002, l003, l004, l005, l006, l007,
    j001, j002, j003, j004, j005, j006, j007, j008, j009, j010, j011, j012, j013, j014, j015, j016, j017, j018,
    j019, j020,
    s001, s002, s003, s004, s005, s006, s007, s008, s009, s010, s011, s012, s013, s014, s015, s016, s017, s018,
    s019, s020, s021,
    w001, w002, w003, w004, w005, w006,
    n001, n002, n003,
    g001, g002, g003, g004,
    d001, d002, d003, d004, d005, d006, d007, d008, d009, d010, d011, d012, d013, d014, d015, d016, d017, d018,
    d019, d020, d021, d022, d023, d024, d025, d026, d027, d028, d029, d030, d031, d032, d033, d034, d035, d036,
    d037, d038, d039, d040, d041, d042, d043,
    y001, y002, y003, y004, y005, y006, y007, y008, y009, y010, y011, y012,
    columnCount
};
static_assert(columnCount == kRuleColumnCount);

// The indicator tables in the order of the enumeration: prefix letter, first
// column, number of columns.
struct IndicatorTable {
    char prefix;
    int first;
    int count;
};
constexpr IndicatorTable kIndicatorTables[] = {
    {'z', z001, 11}, {'x', x001, 18}, {'b', b001, 42}, {'f', f001, 18}, {'l', l001, 7}, {'j', j001, 20},
    {'s', s001, 21}, {'w', w001, 6},  {'n', n001, 3},  {'g', g001, 4},  {'d', d001, 43}, {'y', y001, 12},
};

// Each table starts where the one before ends, and the last one ends the columns.
constexpr bool tablesFillTheColumns() {
    int next = z001;
    for (const IndicatorTable& table : kIndicatorTables) {
        if (table.first != next) return false;
        next += table.count;
    }
    return next == columnCount;
}
static_assert(tablesFillTheColumns());

// The columns read as stored, in floating point; all others are whole numbers.
constexpr std::array<bool, kRuleColumnCount> decimalColumns() {
    std::array<bool, kRuleColumnCount> decimal{};
    for (RuleColumn c : {c901, b014, b016, b018, b028, b029, y001, y002, y004, y005, y006, y007, y010})
        decimal[size_t(c)] = true;
    return decimal;
}
constexpr std::array<bool, kRuleColumnCount> kDecimal = decimalColumns();

// The rules: number, page, focus, rule text and explanation as dt_logic has
// them, and the test that finds the rule broken. Each test is the negation of
// the rule text, except No. 67: it compares s009 with z008, as its explanation
// says, while its rule text names s008.
constexpr BuiltinRule kRules[] = {
    {1, 1, u"z001", u"z001 + z003 > 0", u"z001 + z003 [>] 0",
     [](const RuleValues& v) { return !(v[z001] + v[z003] > 0); }},
    {2, 1, u"z002", u"z002 <= z001", u"z002 [<=] z001",
     [](const RuleValues& v) { return !(v[z002] <= v[z001]); }},
    {3, 1, u"z004", u"z004<=z003", u"z004[<=]z003",
     [](const RuleValues& v) { return !(v[z004] <= v[z003]); }},
    {4, 1, u"z005", u"(z005 = 1 and z006 + z007 > 0 and z006+ z007<= z001 + z003) or (z005 <> 1 and z006 + z007=0)",
     u"(z005 [=] 1 and z006 + z007 [>] 0 and z006+ z007[<=] z001 + z003) or (z005 [<>] 1 and z006 + z007[=]0)",
     [](const RuleValues& v) {
         return !((v[z005] == 1 && v[z006] + v[z007] > 0 && v[z006] + v[z007] <= v[z001] + v[z003])
                  || (v[z005] != 1 && v[z006] + v[z007] == 0));
     }},
    {5, 1, u"z006", u"z006<=z001", u"z006[<=]z001",
     [](const RuleValues& v) { return !(v[z006] <= v[z001]); }},
    {6, 1, u"z009", u"(z009+z010+z011=0) or (z009>0 and z010>0 and z011>0 and z010>z009 and z011>z010)",
     u"(z009+z010+z011[=]0) or (z009>0 and z010[>]0 and z011[>]0 and z010[>]z009 and z011[>]z010)",
     [](const RuleValues& v) {
         return !((v[z009] + v[z010] + v[z011] == 0)
                  || (v[z009] > 0 && v[z010] > 0 && v[z011] > 0 && v[z010] > v[z009] && v[z011] > v[z010]));
     }},
    {7, 2, u"x001", u"(c904<4 and x001>0)or c904 >3", u"c904[<]4 and x001[>]0)or c904 [>]3",
     [](const RuleValues& v) { return !((v[c904] < 4 && v[x001] > 0) || v[c904] > 3); }},
    {8, 2, u"x001", u"x001 <= z001 + z003", u"x001 [<=] z001 + z003",
     [](const RuleValues& v) { return !(v[x001] <= v[z001] + v[z003]); }},
    {9, 2, u"x002", u"x002 <= z002+z004", u"x002 [<=] z002+z004",
     [](const RuleValues& v) { return !(v[x002] <= v[z002] + v[z004]); }},
    {10, 2, u"x002", u"x002<=x001", u"x002[<=]x001",
     [](const RuleValues& v) { return !(v[x002] <= v[x001]); }},
    {11, 2, u"x003", u"(x001*x003>0 and x003<=x001) or x001+x003=0",
     u"(x001*x003[>]0 and x003[<=]x001) or x001+x003[=]0",
     [](const RuleValues& v) { return !((v[x001] * v[x003] > 0 && v[x003] <= v[x001]) || v[x001] + v[x003] == 0); }},
    {12, 2, u"x004",
     u"(x004<>1 and x005<>1 and x006<>1 and x007<>1) or (x004=1 and x005<>1 and x006<>1 and x007<>1) or  "
     u"(x004<>1 and x005=1 and x006<>1 and x007<>1) or (x004<>1 and x005<>1 and x006=1 and x007<>1) or "
     u"(x004<>1 and x005<>1 and x006<>1 and x007=1)",
     u"要么x004、x005、x006、x007不等于1；要么x004[=]1,x005、x006、x007不等于1；要么x005[=]1,x004、x006、x007不等于1；"
     u"要么x006[=]1,x004、x005、x007不等于1；要么要么x007[=]1,x004、x006、x005不等于1",
     [](const RuleValues& v) {
         return !((v[x004] != 1 && v[x005] != 1 && v[x006] != 1 && v[x007] != 1)
                  || (v[x004] == 1 && v[x005] != 1 && v[x006] != 1 && v[x007] != 1)
                  || (v[x004] != 1 && v[x005] == 1 && v[x006] != 1 && v[x007] != 1)
                  || (v[x004] != 1 && v[x005] != 1 && v[x006] == 1 && v[x007] != 1)
                  || (v[x004] != 1 && v[x005] != 1 && v[x006] != 1 && v[x007] == 1));
     }},
    {13, 2, u"x008", u"x008<=x003", u"x008[<=]x003",
     [](const RuleValues& v) { return !(v[x008] <= v[x003]); }},
    {14, 2, u"x011", u"x011<=x003", u"x011[<=]x003",
     [](const RuleValues& v) { return !(v[x011] <= v[x003]); }},
    {15, 2, u"x009", u"x009<=x003", u"x009[<=]x003",
     [](const RuleValues& v) { return !(v[x009] <= v[x003]); }},
    {16, 2, u"x010", u"x010<=x009", u"x010[<=]x009",
     [](const RuleValues& v) { return !(v[x010] <= v[x009]); }},
    {17, 2, u"x012", u"x012<=x011", u"x012[<=]x011",
     [](const RuleValues& v) { return !(v[x012] <= v[x011]); }},
    {18, 2, u"x014", u"x014<=x013", u"x014[<=]x013",
     [](const RuleValues& v) { return !(v[x014] <= v[x013]); }},
    {19, 2, u"x016", u"x016<=x015", u"x016[<=]x015",
     [](const RuleValues& v) { return !(v[x016] <= v[x015]); }},
    {20, 2, u"x018", u"x018<=x013+x015+x017", u"x018[<=]x013+x015+x017",
     [](const RuleValues& v) { return !(v[x018] <= v[x013] + v[x015] + v[x017]); }},
    {21, 3, u"b001", u"(b001+b002=0) or (b001*b002>0)", u"如果b008=0,那么b009[=]0",
     [](const RuleValues& v) { return !((v[b001] + v[b002] == 0) || (v[b001] * v[b002] > 0)); }},
    {22, 3, u"b003", u"(b003>0) or (b003=0 and b004=0)", u"b001和b002要么都为0，要么都大于0",
     [](const RuleValues& v) { return !((v[b003] > 0) || (v[b003] == 0 && v[b004] == 0)); }},
    {23, 3, u"b005", u"b005<=b004", u"b005[<=]b004",
     [](const RuleValues& v) { return !(v[b005] <= v[b004]); }},
    {24, 3, u"b006", u"b006<=b004", u"b006[<=]b004",
     [](const RuleValues& v) { return !(v[b006] <= v[b004]); }},
    {25, 3, u"b009", u"b009<=b008", u"b009[<=]b008",
     [](const RuleValues& v) { return !(v[b009] <= v[b008]); }},
    {26, 3, u"b010", u"b010<=b008", u"b010[<=]b008",
     [](const RuleValues& v) { return !(v[b010] <= v[b008]); }},
    {27, 3, u"b011", u"b011<=b010", u"b011[<=]b010",
     [](const RuleValues& v) { return !(v[b011] <= v[b010]); }},
    {28, 3, u"b011", u"(b012+b013=0) or b012>0", u"(b012+b013[=]0) 或者 b012[>]0",
     [](const RuleValues& v) { return !((v[b012] + v[b013] == 0) || v[b012] > 0); }},
    {29, 3, u"b007", u"(b007>0) or (b007=0 and b008=0)", u"如果b007=0,那么b008[=]0",
     [](const RuleValues& v) { return !((v[b007] > 0) || (v[b007] == 0 && v[b008] == 0)); }},
    {30, 3, u"b015", u"(b015+b016=0) or (b015*b016>0 and b016>b015)",
     u"(b015+b016[=]0) or (b015*b016[>]0 and b016[>]b015)",
     [](const RuleValues& v) { return !((v[b015] + v[b016] == 0) || (v[b015] * v[b016] > 0 && v[b016] > v[b015])); }},
    {31, 3, u"b017", u"(b017+b018=0) or (b017*b018>0 and b018>b017)",
     u"(b017+b018[=]0) or (b017*b018[>]0 and b018[>]b017)",
     [](const RuleValues& v) { return !((v[b017] + v[b018] == 0) || (v[b017] * v[b018] > 0 && v[b018] > v[b017])); }},
    {32, 3, u"b019", u"(b019+b020+b021=0) or (b019>0 and b020+b021>b019)",
     u"(b019+b020+b021[=]0) or (b019[>]0 and b020+b021[>]b019)",
     [](const RuleValues& v) {
         return !((v[b019] + v[b020] + v[b021] == 0)
                  || (v[b019] > 0 && v[b020] + v[b021] > v[b019]));
     }},
    {33, 3, u"b022", u"b022<=b015+b020", u"b022[<=]b015+b020",
     [](const RuleValues& v) { return !(v[b022] <= v[b015] + v[b020]); }},
    {34, 3, u"b023", u"b023<=b017+b021", u"b023[<=]b017+b021",
     [](const RuleValues& v) { return !(v[b023] <= v[b017] + v[b021]); }},
    {35, 3, u"b025", u"b025>=b011", u"b025>=b011",
     [](const RuleValues& v) { return !(v[b025] >= v[b011]); }},
    {36, 3, u"b026", u"(b026=0 and b028+b029=0) or b026>0", u"(b026[=]0 and b028+b029[=]0) or b026[>]0",
     [](const RuleValues& v) { return !((v[b026] == 0 && v[b028] + v[b029] == 0) || v[b026] > 0); }},
    {37, 3, u"b027", u"b027<=b026", u"b027[<=]b026",
     [](const RuleValues& v) { return !(v[b027] <= v[b026]); }},
    {38, 3, u"b030", u"(b030+b031=0) or (b030*b031>0)", u"(b030+b031[=]0) or (b030*b031[>]0)",
     [](const RuleValues& v) { return !((v[b030] + v[b031] == 0) || (v[b030] * v[b031] > 0)); }},
    {39, 4, u"b035", u"(b035+b036+b037=0) or ((b035>0 and b036>0 and b037>0) and b036>b035 and b037>b036)",
     u"(b035+b036+b037[=]0) or ((b035[>]0 and b036[>]0 and b037[>]0) and b036[>]b035 and b037[>]b036)",
     [](const RuleValues& v) {
         return !((v[b035] + v[b036] + v[b037] == 0)
                  || ((v[b035] > 0 && v[b036] > 0 && v[b037] > 0) && v[b036] > v[b035] && v[b037] > v[b036]));
     }},
    {40, 4, u"b038", u"(b038+b039+b040=0) or ((b038>0 and b039>0 and b040>0) and b039>b038 and b040>b039)",
     u"(b038+b039+b040[=]0) or ((b038[>]0 and b039[>]0 and b040[>]0) and b039[>]b038 and b040[>]b039)",
     [](const RuleValues& v) {
         return !((v[b038] + v[b039] + v[b040] == 0)
                  || ((v[b038] > 0 && v[b039] > 0 && v[b040] > 0) && v[b039] > v[b038] && v[b040] > v[b039]));
     }},
    {41, 4, u"b041", u"(b041<>1 and b042=0) or (b041=1)", u"(b041[<>]1 and b042[=]0) or (b041[=]1)",
     [](const RuleValues& v) { return !((v[b041] != 1 && v[b042] == 0) || (v[b041] == 1)); }},
    {42, 5, u"f003", u"f003 = 1 or (f003 <> 1 and f004 = 0)", u"如果不是f003，那么f004[=]0",
     [](const RuleValues& v) { return !(v[f003] == 1 || (v[f003] != 1 && v[f004] == 0)); }},
    {43, 5, u"f005", u"f005 <= f004", u"f005[<=]f004",
     [](const RuleValues& v) { return !(v[f005] <= v[f004]); }},
    {44, 5, u"f006", u"f006<=z001+z003", u"f006[<=]z001+z003",
     [](const RuleValues& v) { return !(v[f006] <= v[z001] + v[z003]); }},
    {45, 5, u"f008", u"(f008 = 1 and f009 > 0) or (f008 <> 1 and f009 = 0 and f010 = 0)",
     u"(f008 [=] 1 and f009 [>] 0) or (f008 [<>] 1 and f009 [=] 0 and f010 [=] 0)",
     [](const RuleValues& v) {
         return !((v[f008] == 1 && v[f009] > 0)
                  || (v[f008] != 1 && v[f009] == 0 && v[f010] == 0));
     }},
    {46, 5, u"f012", u"f012<=z001+z003", u"f012[<=]z001+z003",
     [](const RuleValues& v) { return !(v[f012] <= v[z001] + v[z003]); }},
    {47, 5, u"f013", u"f013<=z001+z003", u"f013[<=]z001+z003",
     [](const RuleValues& v) { return !(v[f013] <= v[z001] + v[z003]); }},
    {48, 5, u"f014", u"f014<=f013", u"f014[<=]f013",
     [](const RuleValues& v) { return !(v[f014] <= v[f013]); }},
    {49, 5, u"f015", u"(f015 = 1) or (f015 <> 1 and f017 = 0)", u"(f015 [=] 1) or (f015 [<>] 1 and f017 [=] 0)",
     [](const RuleValues& v) { return !((v[f015] == 1) || (v[f015] != 1 && v[f017] == 0)); }},
    {50, 5, u"f017", u"(f017+f018=0) or (f017*f018>0 and f018>=f017)",
     u"(f017+f018[=]0) or (f017*f018[>]0 and f018[>=]f017)",
     [](const RuleValues& v) {
         return !((v[f017] + v[f018] == 0)
                  || (v[f017] * v[f018] > 0 && v[f018] >= v[f017]));
     }},
    {51, 6, u"l001", u"(l001 = 1 and l002>0) or (l001 <> 1 and l002 = 0 and l003=0)",
     u"如果l001不等于1，那么l002必须等于0，或者l001不等于1并且l002 [=] 0、l003[=]0",
     [](const RuleValues& v) {
         return !((v[l001] == 1 && v[l002] > 0)
                  || (v[l001] != 1 && v[l002] == 0 && v[l003] == 0));
     }},
    {52, 6, u"l006", u"l006<=l005", u"l006[<=]l005",
     [](const RuleValues& v) { return !(v[l006] <= v[l005]); }},
    {53, 6, u"l004", u"(l004 + l005 = 0) or  l004 > 0", u"要么l004 + l005 [=] 0，要么l004[>]0",
     [](const RuleValues& v) { return !((v[l004] + v[l005] == 0) || v[l004] > 0); }},
    {54, 7, u"j012", u"j012 <= j011", u"j012 [<=] j011",
     [](const RuleValues& v) { return !(v[j012] <= v[j011]); }},
    {55, 7, u"j013", u"j013<=j011", u"j013[<=]j011",
     [](const RuleValues& v) { return !(v[j013] <= v[j011]); }},
    {56, 7, u"j014", u"j014<=j012", u"j014[<=]j012",
     [](const RuleValues& v) { return !(v[j014] <= v[j012]); }},
    {57, 7, u"j014", u"j014<=j013", u"j014[<=]j013",
     [](const RuleValues& v) { return !(v[j014] <= v[j013]); }},
    {58, 7, u"j015", u"(j015+j016+j018=0) or (j015*j016>0 and j016>j015 and j018<=j016)",
     u"(j015+j016+j018[=]0) or (j015*j016[>]0 and j016[>]j015 and j018[<=]j016)",
     [](const RuleValues& v) {
         return !((v[j015] + v[j016] + v[j018] == 0)
                  || (v[j015] * v[j016] > 0 && v[j016] > v[j015] && v[j018] <= v[j016]));
     }},
    {59, 7, u"j017", u"j017<=j016", u"j017[<=]j016",
     [](const RuleValues& v) { return !(v[j017] <= v[j016]); }},
    {60, 7, u"j019", u"j019<=j017", u"j019[<=]j017",
     [](const RuleValues& v) { return !(v[j019] <= v[j017]); }},
    {61, 7, u"j019", u"j019<=j018", u"j019[<=]j018",
     [](const RuleValues& v) { return !(v[j019] <= v[j018]); }},
    {62, 8, u"s004", u"(s004 = 1) or (s004 <> 1 and s005 <> 1 and s006 <> 1 and s007 <> 1)",
     u"(s004 [=] 1) or (s004 [<>] 1 and s005 [<>] 1 and s006 [<>] 1 and s007 [<>] 1)",
     [](const RuleValues& v) {
         return !((v[s004] == 1)
                  || (v[s004] != 1 && v[s005] != 1 && v[s006] != 1 && v[s007] != 1));
     }},
    {63, 8, u"s007",
     u"(s004 = 1) or (s004 <> 1 and s014+s015+s016+s017+s021=0 and s018 <> 1 and  s019 <> 1 and  s020 <> 1)",
     u"如果不是s005，那么s015+s016+s017+s018+s022[=]0，并且s019、s020、s021都不为1",
     [](const RuleValues& v) {
         return !((v[s004] == 1)
                  || (v[s004] != 1 && v[s014] + v[s015] + v[s016] + v[s017] + v[s021] == 0 && v[s018] != 1
                      && v[s019] != 1 && v[s020] != 1));
     }},
    {64, 8, u"s007", u"(s007 = 1 and s008 + s010 > 0 and s008 + s010< z001 + z003) or (s007 <> 1 and s008+s010 = 0)",
     u"如果不是s005，那么也必须不是s006，s007，s008",
     [](const RuleValues& v) {
         return !((v[s007] == 1 && v[s008] + v[s010] > 0 && v[s008] + v[s010] < v[z001] + v[z003])
                  || (v[s007] != 1 && v[s008] + v[s010] == 0));
     }},
    {65, 8, u"s004", u"(s012+s013=0 ) or (s012*s013>0 and s013>s012)",
     u"(s013+s014[=]0 ) or (s013*s014[>]0 and s014[>]s013)",
     [](const RuleValues& v) { return !((v[s012] + v[s013] == 0) || (v[s012] * v[s013] > 0 && v[s013] > v[s012])); }},
    {66, 8, u"s008", u"s008<=z001", u"s008[<=]z001",
     [](const RuleValues& v) { return !(v[s008] <= v[z001]); }},
    {67, 8, u"s009", u"s009<=s008", u"s009[<=]z008",
     [](const RuleValues& v) { return v[s009] > v[z008]; }},
    {68, 8, u"s011", u"s011<=s010", u"s011[<=]s010",
     [](const RuleValues& v) { return !(v[s011] <= v[s010]); }},
    {69, 9, u"w005", u"w005 <= w004", u"w005[<=]w004",
     [](const RuleValues& v) { return !(v[w005] <= v[w004]); }},
    {70, 9, u"w005", u"(n001+n002)<=z001+z003", u"(n001+n002)[<=]z001+z003",
     [](const RuleValues& v) { return !((v[n001] + v[n002]) <= v[z001] + v[z003]); }},
    {71, 9, u"w006", u"w006 <= w004", u"w006[<=]w004",
     [](const RuleValues& v) { return !(v[w006] <= v[w004]); }},
    {72, 10, u"g001", u"(g001 + g002 = 0) or (g001 * g002 > 0 and g002 > g001)",
     u"(g001 + g002 [=] 0) or (g001 * g002 [>] 0 and g002 [>] g001)",
     [](const RuleValues& v) { return !((v[g001] + v[g002] == 0) || (v[g001] * v[g002] > 0 && v[g002] > v[g001])); }},
    {73, 10, u"g003", u"(g003 + g004 = 0) or (g003 * g004 > 0 and g004 > g003)",
     u"如果g003乘以 g004 [>] 0 那么 g004 [>] g003",
     [](const RuleValues& v) { return !((v[g003] + v[g004] == 0) || (v[g003] * v[g004] > 0 && v[g004] > v[g003])); }},
    {74, 11, u"d003", u"d003<=d001", u"d003[<=]d001",
     [](const RuleValues& v) { return !(v[d003] <= v[d001]); }},
    {75, 11, u"d009", u"d009<=d008", u"d009[<=]d008",
     [](const RuleValues& v) { return !(v[d009] <= v[d008]); }},
    {76, 11, u"d011", u"d011<=d010", u"d011[<=]d010",
     [](const RuleValues& v) { return !(v[d011] <= v[d010]); }},
    {77, 11, u"d007", u"d007+d008+d010<=d005+d006", u"d007+d008+d010[<=]d005+d006",
     [](const RuleValues& v) { return !(v[d007] + v[d008] + v[d010] <= v[d005] + v[d006]); }},
    {78, 11, u"d012", u"(c904<=3 and x001+d009+d011<=d012) or (c904>3)", u"如果c904<=3，那么x001+d009+d011[<=]d012",
     [](const RuleValues& v) {
         return !((v[c904] <= 3 && v[x001] + v[d009] + v[d011] <= v[d012])
                  || (v[c904] > 3));
     }},
    {79, 11, u"d012", u"d012<=z001+z003", u"d012[<=]z001+z003",
     [](const RuleValues& v) { return !(v[d012] <= v[z001] + v[z003]); }},
    {80, 11, u"d012", u"d018+d019+d020+d021+d022=d012", u"d018+d019+d020+d021+d022[=]d012",
     [](const RuleValues& v) { return !(v[d018] + v[d019] + v[d020] + v[d021] + v[d022] == v[d012]); }},
    {81, 11, u"d013", u"d013<=d012", u"d013[<=]d012",
     [](const RuleValues& v) { return !(v[d013] <= v[d012]); }},
    {82, 11, u"d013", u"d013<=z002+z004", u"d013[<=]z002+z004",
     [](const RuleValues& v) { return !(v[d013] <= v[z002] + v[z004]); }},
    {83, 11, u"d014", u"d014+d015+d016<=d012+d023", u"d014+d015+d016[<=]d012+d023",
     [](const RuleValues& v) { return !(v[d014] + v[d015] + v[d016] <= v[d012] + v[d023]); }},
    {84, 11, u"d017", u"(c904>3) or (c904<=3 and d017>=20)", u"要么c904>3，d023[>=]20，要么c904[<=]3 并且 d017[>=]20",
     [](const RuleValues& v) { return !((v[c904] > 3) || (v[c904] <= 3 && v[d017] >= 20)); }},
    {85, 11, u"d023", u"d024+d025<=d023", u"d024+d025[<=]d023",
     [](const RuleValues& v) { return !(v[d024] + v[d025] <= v[d023]); }},
    {86, 12, u"d026", u"(c904>3) or (c904<=3 and d026+d031+1<=d007)",
     u"(c904[>]3) or (c904[<=]3 and d026+d031+1[<=]d007)",
     [](const RuleValues& v) { return !((v[c904] > 3) || (v[c904] <= 3 && v[d026] + v[d031] + 1 <= v[d007])); }},
    {87, 12, u"d027", u"d027+d028+d029+d032<=x001", u"d027+d028+d029+d032[<=]x001",
     [](const RuleValues& v) { return !(v[d027] + v[d028] + v[d029] + v[d032] <= v[x001]); }},
    {88, 12, u"d027", u"d027+d028+d029<=x003", u"d027+d028+d029[<=]x003",
     [](const RuleValues& v) { return !(v[d027] + v[d028] + v[d029] <= v[x003]); }},
    {89, 12, u"d033", u"(c904>3) or (c904<=3 and d033>=20)", u"如果c904<=3，d023[>=]20",
     [](const RuleValues& v) { return !((v[c904] > 3) || (v[c904] <= 3 && v[d033] >= 20)); }},
    {90, 12, u"d034", u"(c904>3) or (c904<=3 and d034+d035+d036+d037=x001)", u"如果c904<=3，d032+d037+1[<=]d007",
     [](const RuleValues& v) {
         return !((v[c904] > 3)
                  || (v[c904] <= 3 && v[d034] + v[d035] + v[d036] + v[d037] == v[x001]));
     }},
    {91, 12, u"d038", u"(c904>3) or (c904<=3 and d038+d039+d040=x001)",
     u"要么c904[>]3)要么 c904[<=]3 and d038+d039+d040[=]x001",
     [](const RuleValues& v) {
         return !((v[c904] > 3)
                  || (v[c904] <= 3 && v[d038] + v[d039] + v[d040] == v[x001]));
     }},
    {92, 12, u"d041", u"d041<=d023", u"d041[<=]d023",
     [](const RuleValues& v) { return !(v[d041] <= v[d023]); }},
    {93, 12, u"d042", u"d042<=d014+d015+d016", u"d042[<=]d014+d015+d016",
     [](const RuleValues& v) { return !(v[d042] <= v[d014] + v[d015] + v[d016]); }},
    {94, 12, u"d042", u"d042<=x001+d041", u"d042[<=]x001+d041",
     [](const RuleValues& v) { return !(v[d042] <= v[x001] + v[d041]); }},
    {95, 13, u"y003", u"(y003+y004=0) or (y003*y004>0)", u"(y003+y004[=]0) or (y003*y004[>]0)",
     [](const RuleValues& v) { return !((v[y003] + v[y004] == 0) || (v[y003] * v[y004] > 0)); }},
    {96, 13, u"y005", u"y005<=y004", u"y005[<=]y004",
     [](const RuleValues& v) { return !(v[y005] <= v[y004]); }},
    {97, 13, u"y007", u"y007<=y006", u"y007[<=]y006",
     [](const RuleValues& v) { return !(v[y007] <= v[y006]); }},
    {98, 13, u"y008", u"(y008+y009+y010+y011+y012=0) or (y008>0 and y009>0 and y010>0 and y012<=y009)",
     u"(y008+y009+y010+y011+y012[=]0) or (y008[>]0 and y009[>]0 and y010[>]0 and y012[<=]y009)",
     [](const RuleValues& v) {
         return !((v[y008] + v[y009] + v[y010] + v[y011] + v[y012] == 0)
                  || (v[y008] > 0 && v[y009] > 0 && v[y010] > 0 && v[y012] <= v[y009]));
     }},
};

constexpr bool numberedInOrder() {
    for (size_t i = 0; i < std::size(kRules); ++i)
        if (kRules[i].number != int(i) + 1) return false;
    return std::size(kRules) == kRuleCount;
}
static_assert(numberedInOrder());

} // namespace

const std::array<QString, kRuleColumnCount>& ruleColumnNames() {
    static const std::array<QString, kRuleColumnCount> names = [] {
        std::array<QString, kRuleColumnCount> n;
        n[c901] = QStringLiteral("c901");
        n[c904] = QStringLiteral("c904");
        for (const IndicatorTable& table : kIndicatorTables)
            for (int i = 0; i < table.count; ++i)
                n[size_t(table.first + i)] =
                    QStringLiteral("%1%2").arg(QLatin1Char(table.prefix)).arg(i + 1, 3, 10, QLatin1Char('0'));
        return n;
    }();
    return names;
}

RuleValueReader::RuleValueReader(const db::Statement& rows) : rows_(rows) {
    const auto& names = ruleColumnNames();
    for (size_t i = 0; i < names.size(); ++i) columns_[i] = rows.columnIndex(names[i]);
}

void RuleValueReader::read(RuleValues& values) const {
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = kDecimal[i] ? static_cast<long double>(rows_.real(columns_[i]))
                                : static_cast<long double>(rows_.integer(columns_[i]));
}

std::span<const BuiltinRule> builtinRules() { return kRules; }

CheckRunState& checkRunState() {
    static CheckRunState state;
    return state;
}

bool CheckBuiltinRules(const RuleValues& values) {
    CheckRunState& state = checkRunState();
    state.firstFindingPending = true;
    state.brokenRules.clear();
    for (const BuiltinRule& rule : kRules)
        if (rule.broken(values)) WriteString(rule);
    return state.firstFindingPending;
}

void WriteString(const BuiltinRule& rule) {
    CheckRunState& state = checkRunState();
    if (!state.results || !state.connection) throw std::runtime_error("逻辑检查结果文件没有打开");
    TextFileWriter& file = *state.results;
    if (state.firstFindingPending) {
        file.writeLine(db::variantToText(state.unitCode) + QStringLiteral("  ") + state.unitName
                       + QStringLiteral("的数据有错误"));
        file.writeLine(QString(80, u'-'));
    }
    QByteArray& finding = state.findings[size_t(rule.number - 1)];
    if (finding.isEmpty()) {
        // Three lines: the rule, its explanation and an empty line.
        const QString lines = QStringLiteral("  判断规则：") + rule.rule.toString() + QStringLiteral("\r\n  规则说明：")
                              + Parse(*state.connection, rule.explain.toString()) + QStringLiteral("\r\n\r\n");
        finding = encodeGb18030(lines);
    }
    file.writeEncoded(finding);
    state.brokenRules.push_back(std::uint8_t(rule.number - 1));
    state.firstFindingPending = false;
    ++state.findingsCount;
}
