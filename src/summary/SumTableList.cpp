#include "summary/SumTableList.h"

#include "core/CheckListFile.h"
#include "core/TextEncoding.h"
#include "summary/SummaryStatements.h"

#include <QFile>

namespace {

constexpr const char* kShippedList[] = {
    "封面",
    "//表一 工会组织建设及民主参与状况",
    "工会组织建设及民主参与状况统计表1",
    "工会组织建设及民主参与状况统计表2",
    "//表二 工会干部协管及教育培训工作",
    "工会干部协管及教育培训工作统计表1",
    "工会干部协管及教育培训工作统计表2",
    "//表三 工会权益保障及集体合同工作",
    "工会权益保障及集体合同工作统计表1",
    "工会权益保障及集体合同工作统计表2",
    "工会权益保障及集体合同工作统计表3",
    "//表四 工会法律工作",
    "工会法律工作统计表1",
    "工会法律工作统计表2",
    "//表五 工会劳动保护工作",
    "工会劳动保护工作统计表",
    "//表六 工会经济技术工作",
    "工会经济技术工作统计表1",
    "工会经济技术工作统计表2",
    "//表七 工会财务和经费审查工作",
    "工会财务和经费审查工作统计表1",
    "工会财务和经费审查工作统计表2",
    "工会财务和经费审查工作统计表3",
    "//表八 工会宣传教育和职工文化体育工作",
    "工会宣传教育和职工文化体育工作统计表",
    "//表九 工会网络工作",
    "工会网络工作统计表",
    "//表十 工会国际交流工作",
    "工会国际交流工作统计表",
    "//附表1 工会干部队伍情况",
    "工会干部队伍情况统计表1",
    "工会干部队伍情况统计表2",
    "//附表1续 工会领导班子情况",
    "工会领导班子情况统计表1",
    "工会领导班子情况统计表2",
    "//附表2 工会经费审查工作情况",
    "工会经费审查工作情况统计表",
};

int tableCount(const std::vector<SumTableItem>& items) {
    int count = 0;
    for (const SumTableItem& item : items) count += item.isBand() ? 0 : 1;
    return count;
}

} // namespace

std::vector<SumTableItem> shippedSumTableList() {
    std::vector<SumTableItem> items;
    for (const char* text : kShippedList) items.push_back({QString::fromUtf8(text), 0});
    return items;
}

QString sumTableFileName() { return QStringLiteral("sumtable.qv"); }

std::vector<SumTableItem> readSumTableList(const QString& path) {
    std::vector<SumTableItem> items;
    for (const CheckListLine& line : readCheckListFile(path)) {
        SumTableItem item{line.text, line.check};
        if (item.isBand()) item.check = 0;
        items.push_back(item);
    }
    if (tableCount(items) != summary::kSummarySheetCount) return shippedSumTableList();
    return items;
}

bool writeSumTableList(const QString& path, const std::vector<SumTableItem>& items) {
    QString text;
    for (const SumTableItem& item : items)
        text += QStringLiteral("&%1 %2 %3 \r\n").arg(item.isBand() ? 0 : 1).arg(item.check).arg(item.text);
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(encodeGb18030(text)) >= 0 && file.flush();
}

void tickBand(std::vector<SumTableItem>& items, int index) {
    if (index < 0 || index >= int(items.size()) || !items[size_t(index)].isBand()) return;
    for (size_t i = size_t(index) + 1; i < items.size() && !items[i].isBand(); ++i) items[i].check = 1;
}

QList<int> chosenSheets(const std::vector<SumTableItem>& items) {
    QList<int> sheets;
    int sheet = 0;
    for (const SumTableItem& item : items) {
        if (item.isBand()) continue;
        ++sheet;
        if (item.check == 1) sheets << sheet;
    }
    return sheets;
}
