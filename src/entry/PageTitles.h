#pragma once

#include <QString>
#include <QStringList>

// The pages of the entry form as the printed survey has them: the tab caption
// and the title lines of each page. Page 10 holds two sheets; the second
// begins at `secondSheetField` with its own title.
struct EntryPage {
    QString tab;
    QStringList titleLines;
    QString secondSheetField;
    QString secondSheetTitle;
};

inline const EntryPage& entryPage(int page) {
    static const EntryPage pages[14] = {
        {QStringLiteral("封面"), {}, {}, {}},
        {QStringLiteral("表1"),
         {QStringLiteral("表1  工会组织建设及民主参与状况(第z008项限县级及以上地方和产业工会填报；第z009-z011项限县级及以下工会填报）")},
         {}, {}},
        {QStringLiteral("表2"),
         {QStringLiteral("表2  工会干部协管及教育培训工作"),
          QStringLiteral("   （第x004-x012项限县级及县级以上地方工会、乡镇街道工会填报；第x017项限县级及县级以上地方和产业工会、企业集团工会和工业园区工会填报）")},
         {}, {}},
        {QStringLiteral("表3"),
         {QStringLiteral("表3  工会权益保障及集体合同工作"),
          QStringLiteral("（第b003-b029项限县级及县级以上地方工会填报；第b033-b034项限县级及以上地方工会和县级以下工会填报）")},
         {}, {}},
        {QStringLiteral("表3续"),
         {QStringLiteral("表3续1（第b035-b037项限县级及以上地方工会填报；第b038-b040项限县级及以上地方和产业工会、归属中央、地方的企业集团工会填报；第b041-b042项限县级及以上地方工会和乡镇、街道、工业园区工会填报）")},
         {}, {}},
        {QStringLiteral("表4"),
         {QStringLiteral("表4  工会法律工作(第f001、f002项限省、市级地方工会填报，第f014项限县级及县级以上工会填报)")}, {}, {}},
        {QStringLiteral("表5"), {QStringLiteral("表5  工会劳动保护工作")}, {}, {}},
        {QStringLiteral("表6"),
         {QStringLiteral("表6 工会经济技术工作（第j001-j008项限省级地方工会填报，j009项限县级及县级以上地方工会填报）")}, {}, {}},
        {QStringLiteral("表7"),
         {QStringLiteral("表7  工会财务和经费审查工作（第s001-s003、s005-s011、s014-s017、s021项限县级及县级以上地方工会填报）")},
         {}, {}},
        {QStringLiteral("表8"), {QStringLiteral("表8  工会宣传教育和职工文化体育工作（第w004-w006项限县级及县级以上地方工会填报）")}, {}, {}},
        {QStringLiteral("表9&&表10"),
         {QStringLiteral("表9 工会网络工作（第n001-n002项限省级地方工会填报；第n003项限县级及县级以上地方工会填报）")},
         QStringLiteral("g001"), QStringLiteral("表10 工会国际交流工作（限省、市级地方和产业工会填报）")},
        {QStringLiteral("附表1"), {QStringLiteral("附表1  工会干部队伍情况（限县级及县级以上地方工会填报）")}, {}, {}},
        {QStringLiteral("附表1续"), {QStringLiteral("附表1续  工会领导班子情况（限县级及县级以上地方工会填报）")}, {}, {}},
        {QStringLiteral("附表2"), {QStringLiteral("附表2  工会经费审查工作情况（限县级及县级以上地方工会填报）")}, {}, {}},
    };
    return pages[page];
}

constexpr int kEntryPageCount = 14;
