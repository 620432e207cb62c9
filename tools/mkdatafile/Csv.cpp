#include "Csv.h"

#include <QFile>
#include <stdexcept>

namespace {

[[noreturn]] void malformed(const QString& path, int line, const char* what) {
    throw std::runtime_error(QStringLiteral("%1:%2: %3").arg(path).arg(line).arg(QLatin1String(what)).toStdString());
}

} // namespace

CsvTable readCsv(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error(("cannot read " + path).toStdString());
    const QString text = QString::fromUtf8(file.readAll());

    std::vector<QVariantList> records;
    QVariantList record;
    QString field;
    bool quoted = false;     // the current field was quoted
    bool inQuotes = false;   // inside a quoted section
    int line = 1;
    auto endField = [&] {
        record << (field.isEmpty() && !quoted ? QVariant() : QVariant(field));
        field.clear();
        quoted = false;
    };
    auto endRecord = [&] {
        endField();
        records.push_back(record);
        record.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                if (c == QLatin1Char('\n')) ++line;
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            if (!field.isEmpty() || quoted) malformed(path, line, "quote inside an unquoted field");
            inQuotes = quoted = true;
        } else if (c == QLatin1Char(',')) {
            endField();
        } else if (c == QLatin1Char('\n')) {
            endRecord();
            ++line;
        } else if (c != QLatin1Char('\r')) {
            if (quoted) malformed(path, line, "text after a closing quote");
            field += c;
        }
    }
    if (inQuotes) malformed(path, line, "unterminated quoted field");
    if (!field.isEmpty() || quoted || !record.isEmpty()) endRecord();

    CsvTable table;
    if (records.empty()) malformed(path, 1, "no header line");
    for (const QVariant& name : records.front()) table.columns << name.toString();
    for (size_t r = 1; r < records.size(); ++r) {
        if (records[r].size() != table.columns.size()) malformed(path, int(r) + 1, "wrong number of fields");
        table.rows.push_back(records[r]);
    }
    return table;
}
