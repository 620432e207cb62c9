#include "workbook/SheetWriter.h"
#include "core/Platform.h"
#include "db/Error.h"

#include "workbook/BookData.h"
#include "workbook/References.h"

#include <QTemporaryFile>

#include <charconv>
#include <map>

namespace workbook {
namespace {

// Room for one <col> element in the column list, written when the widths are
// known; what it does not fill stays white space.
constexpr qint64 kColumnSlot = 112;
// Rows are handed to the temporary file in pieces of about this size.
constexpr size_t kFlushBytes = 1 << 20;
constexpr std::string_view kDataPlaceholder = "<sheetData/>";

std::string decimal(double value) {
    char buffer[32];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2).ptr);
}

} // namespace

struct SheetWriter::Impl {
    Workbook book = Workbook::blank();
    SheetData* sheet = nullptr;
    int columns = 0;
    std::vector<int> columnStyles;
    std::map<std::pair<int, int>, int> cellStyles;  // (row, column) -> format
    std::vector<ColumnFit> fits;
    QTemporaryFile part;
    std::string buffer;
    std::string tail;          // the worksheet part after its rows
    qint64 columnList = -1;    // where the column slots begin in the file; -1 before the first row
    int lastRow = 0;
    bool finished = false;     // the part is complete: saved at least once
    Cell cell;                 // reused for every value written

    StyleSheet& styles() { return *book.d->styles; }

    void flush() {
        if (part.write(buffer.data(), qint64(buffer.size())) != qint64(buffer.size()))
            throw Error(QStringLiteral("无法写入临时文件：%1").arg(db::lastFileErrorText()));
        buffer.clear();
    }

    // Writes the part up to its rows, with room for the column list.
    void begin() {
        part.setFileTemplate(tempFolder() + QStringLiteral("/varnel-sheet-XXXXXX"));
        if (!part.open()) throw Error(QStringLiteral("无法建立临时文件：%1").arg(db::lastFileErrorText()));
        pugi::xml_node root = sheet->xml.document_element();
        root.remove_child("dimension");  // the used range is known only at the end; it may be left out
        const std::string whole = serialize(sheet->xml);
        const size_t at = whole.find(kDataPlaceholder);
        if (at == std::string::npos) throw Error(QStringLiteral("工作表的组成部分已损坏"));
        buffer.assign(whole, 0, at);
        buffer += "<cols>";
        columnList = qint64(buffer.size());
        buffer.append(size_t(columns * kColumnSlot), ' ');
        buffer += "</cols><sheetData>";
        tail = "</sheetData>" + whole.substr(at + kDataPlaceholder.size());
    }

    // Fills the column slots with the fitted widths and formats.
    void writeColumnList() {
        std::string list;
        for (int c = 1; c <= columns; ++c) {
            const double fitted = fits[size_t(c - 1)].width(styles());
            std::string entry = "<col min=\"" + std::to_string(c) + "\" max=\"" + std::to_string(c) + "\" width=\""
                                + decimal(fitted > 0 ? fitted : 8.43) + "\"";
            if (fitted > 0) entry += " bestFit=\"1\" customWidth=\"1\"";
            if (columnStyles[size_t(c - 1)] != 0) entry += " style=\"" + std::to_string(columnStyles[size_t(c - 1)]) + "\"";
            entry += "/>";
            entry.resize(size_t(kColumnSlot), ' ');
            list += entry;
        }
        if (!part.seek(columnList) || part.write(list.data(), qint64(list.size())) != qint64(list.size()) || !part.flush())
            throw Error(QStringLiteral("无法写入临时文件：%1").arg(db::lastFileErrorText()));
    }

    void requireNotStarted() const {
        if (columnList >= 0) throw Error(QStringLiteral("工作表的格式必须在写入数据之前设置。"));
    }
};

SheetWriter::SheetWriter(const QString& sheetName, int columns) : d(std::make_unique<Impl>()) {
    if (columns < 1 || columns > kMaxColumn) throw Error(QStringLiteral("工作表的列数不正确：%1").arg(columns));
    d->book.sheet(1).setName(sheetName);
    d->sheet = d->book.d->sheets.front().get();
    d->columns = columns;
    d->columnStyles.assign(size_t(columns), 0);
    d->fits.resize(size_t(columns));
}

SheetWriter::~SheetWriter() = default;

void SheetWriter::setColumnNumberFormat(int column, const QString& format) {
    d->requireNotStarted();
    int& style = d->columnStyles.at(size_t(column - 1));
    style = d->styles().withNumberFormat(style, format);
}

void SheetWriter::setNumberFormat(CellAddress cell, const QString& format) {
    d->requireNotStarted();
    auto [at, added] = d->cellStyles.try_emplace({cell.row, cell.column}, d->columnStyles.at(size_t(cell.column - 1)));
    at->second = d->styles().withNumberFormat(at->second, format);
}

void SheetWriter::setFont(CellAddress cell, double size, bool bold) {
    d->requireNotStarted();
    auto [at, added] = d->cellStyles.try_emplace({cell.row, cell.column}, d->columnStyles.at(size_t(cell.column - 1)));
    at->second = d->styles().withFont(at->second, size, bold);
}

void SheetWriter::writeRow(int row, const QVariantList& values) {
    if (d->columnList < 0) d->begin();
    if (d->finished || row <= d->lastRow || row > kMaxRow || values.size() > d->columns)
        throw Error(QStringLiteral("无法写入工作表的第%1行。").arg(row));
    d->lastRow = row;
    std::string& out = d->buffer;
    out += "<row r=\"";
    out += std::to_string(row);
    out += "\">";
    Cell& cell = d->cell;
    for (int c = 0; c < values.size(); ++c) {
        cell.column = c + 1;
        cell.kind = cellContent(values[c], {row, cell.column}, cell.value);
        cell.style = d->columnStyles[size_t(c)];
        if (!d->cellStyles.empty())
            if (auto at = d->cellStyles.find({row, cell.column}); at != d->cellStyles.end()) cell.style = at->second;
        // An empty cell in its column's format needs no entry of its own.
        if (cell.kind == CellKind::Empty && cell.style == d->columnStyles[size_t(c)]) continue;
        d->fits[size_t(c)].add(cell);
        appendCell(out, row, cell, nullptr);
    }
    out += "</row>";
    if (out.size() >= kFlushBytes) d->flush();
}

void SheetWriter::save(const QString& path) {
    if (!d->finished) {
        if (d->columnList < 0) d->begin();
        d->buffer += d->tail;
        d->flush();
        d->writeColumnList();
        d->finished = true;
        // Through its descriptor the part stays unnamed, so a killed run leaves no file behind.
        d->book.d->package.setPartFile(d->sheet->part, QStringLiteral("/proc/self/fd/%1").arg(d->part.handle()));
    }
    writeBook(*d->book.d, SharedStrings(), path);
}

} // namespace workbook
