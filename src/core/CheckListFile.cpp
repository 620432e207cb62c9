#include "core/CheckListFile.h"

#include "core/TextEncoding.h"

#include <QFile>

std::vector<CheckListLine> readCheckListFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    std::vector<CheckListLine> items;
    for (QString line : decodeGb18030(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        while (line.endsWith(QLatin1Char('\r')) || line.endsWith(QLatin1Char(' '))) line.chop(1);
        if (line.isEmpty()) continue;
        if (line.startsWith(QLatin1Char('&')) && line.size() >= 6) {
            const int check = line.at(3).digitValue();
            items.push_back({line.mid(5), line.at(1) != QLatin1Char('0'), check >= 0 && check <= 2 ? check : 0});
        } else {
            items.push_back({line, true, 0});
        }
    }
    return items;
}
