#include "workbook/BookData.h"
#include "workbook/References.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <concepts>
#include <cmath>
#include <cstring>

namespace workbook {
namespace {

constexpr int kMaxTextLength = 32767;  // the most a cell of a workbook may hold
constexpr double kMaxColumnWidth = 255;
constexpr double kDefaultColumnWidth = 8.43;
constexpr size_t kMaxEntries = 1'000'000;      // rows and cells of a whole workbook
constexpr size_t kMaxTextBytes = 64u << 20;  // the texts of all its cells

Error damaged(const std::string& part) {
    return Error(QStringLiteral("工作簿的组成部分“%1”已损坏").arg(QString::fromStdString(part)));
}

void checkCell(CellAddress cell) {
    if (cell.row < 1 || cell.row > kMaxRow || cell.column < 1 || cell.column > kMaxColumn)
        throw Error(QStringLiteral("单元格位置超出工作表的范围：第%1行第%2列").arg(cell.row).arg(cell.column));
}

template <std::integral Integer>
std::string numberText(Integer value) {
    char buffer[24];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// The shortest text that reads back as the same number, in plain digits
// ("100000", "0.25") unless the number is very large or very small.
std::string numberText(double value) {
    char buffer[64];
    const double size = std::fabs(value);
    const auto style = value == 0 || (size >= 1e-6 && size < 1e16) ? std::chars_format::fixed : std::chars_format::scientific;
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value, style).ptr);
}

int styleAttribute(const Attributes& attributes) {
    const std::string_view s = attribute(attributes, "s");
    int style = 0;
    std::from_chars(s.data(), s.data() + s.size(), style);
    return style;
}

std::string_view styleOfColumn(const Attributes& attributes) { return attribute(attributes, "style"); }

// East Asian wide and full-width characters take two character widths.
bool isWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3)
           || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60)
           || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// A number as a number format shows it, close enough to measure its width:
// the digits with their grouping and decimals, and the format's literal
// characters ("￥", units, padding). Dates show as long as their format.
QString shownNumber(const std::string& value, const QString& format) {
    double number = 0;
    if (std::from_chars(value.data(), value.data() + value.size(), number).ec != std::errc())
        return QString::fromStdString(value);
    if (format == QLatin1String("General") || format == QLatin1String("@")) {
        const QString plain = QString::fromStdString(numberText(number));
        return plain.size() > 11 ? QString(11, QLatin1Char('0')) : plain;  // General shows at most 11 characters
    }
    QString section = format.section(QLatin1Char(';'), 0, 0);
    QString literal;
    bool grouping = false, isDate = false, afterPoint = false;
    int decimals = 0;
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar c = section[i];
        if (c == QLatin1Char('"')) {
            const qsizetype end = section.indexOf(QLatin1Char('"'), i + 1);
            literal += section.mid(i + 1, (end < 0 ? section.size() : end) - i - 1);
            i = end < 0 ? section.size() : end;
        } else if (c == QLatin1Char('[')) {
            i = std::max(i, section.indexOf(QLatin1Char(']'), i));
        } else if (c == QLatin1Char('_') || c == QLatin1Char('\\')) {
            literal += c == QLatin1Char('_') ? QStringLiteral(" ") : section.mid(i + 1, 1);
            ++i;
        } else if (c == QLatin1Char(',')) {
            grouping = true;
        } else if (c == QLatin1Char('.')) {
            afterPoint = true;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char('?')) {
            if (afterPoint) ++decimals;
        } else if (QStringLiteral("ymdhsYMDHS").contains(c)) {
            isDate = true;
        } else {
            literal += c;
        }
    }
    if (isDate) return section.remove(QLatin1Char('"'));
    if (literal.contains(QLatin1Char('%'))) number *= 100;
    QString digits = QString::number(std::fabs(number), 'f', decimals);
    if (grouping) {
        const qsizetype point = digits.indexOf(QLatin1Char('.'));
        for (qsizetype at = (point < 0 ? digits.size() : point) - 3; at > 0; at -= 3) digits.insert(at, QLatin1Char(','));
    }
    return (number < 0 ? QStringLiteral("-") : QString()) + literal + digits;
}

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

std::vector<CellRange> mergedRangesOf(const SheetData& sheet) {
    std::vector<CellRange> ranges;
    for (pugi::xml_node m : sheet.xml.document_element().child("mergeCells").children("mergeCell"))
        ranges.push_back(rangeAt(QString::fromUtf8(m.attribute("ref").value())));
    return ranges;
}

} // namespace

double textWidth(const QString& text) {
    double widest = 0, line = 0;
    for (const char32_t c : text.toUcs4()) {
        if (c == U'\n') {
            widest = std::max(widest, line);
            line = 0;
        } else {
            line += isWide(c) ? 2 : 1;
        }
    }
    return std::max(widest, line);
}

CellKind cellContent(const QVariant& value, CellAddress address, std::string& text) {
    checkCell(address);
    switch (value.typeId()) {
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        text = numberText(value.toULongLong());  // every digit of a whole number
        return CellKind::Number;
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UInt:
    case QMetaType::UShort:
        text = numberText(value.toLongLong());
        return CellKind::Number;
    case QMetaType::Double:
    case QMetaType::Float: {
        const double number = value.toDouble();
        if (!std::isfinite(number)) throw Error(QStringLiteral("无法写入单元格%1：数值无效").arg(cellName(address)));
        text = numberText(number);
        return CellKind::Number;
    }
    default: break;
    }
    if (value.isNull()) {
        text.clear();
        return CellKind::Empty;
    }
    const QString string = value.toString();
    if (string.size() > kMaxTextLength)
        throw Error(QStringLiteral("无法写入单元格%1：文本超过%2个字符").arg(cellName(address)).arg(kMaxTextLength));
    text = string.toStdString();
    return text.empty() ? CellKind::Empty : CellKind::Text;
}

// ---- reading and writing the worksheet part ----

void ReadLimits::add(const std::string& part, size_t textBytes) {
    textBytes_ += textBytes;
    if (++entries_ > kMaxEntries || textBytes_ > kMaxTextBytes)
        throw Error(QStringLiteral("工作簿的组成部分“%1”展开后过大").arg(QString::fromStdString(part)));
}

void SheetData::load(const std::string& bytes, const std::vector<std::string>& sharedStrings, ReadLimits& limits) {
    parsePart(xml, bytes, part);
    pugi::xml_node root = xml.document_element();
    pugi::xml_node data = root.child("sheetData");
    if (!data) throw damaged(part);
    for (pugi::xml_node r : data.children("row")) {
        limits.add(part, 0);
        Row row;
        row.number = r.attribute("r").as_int(rows.empty() ? 1 : rows.back().number + 1);
        if (row.number < 1 || row.number > kMaxRow || (!rows.empty() && row.number <= rows.back().number)) throw damaged(part);
        row.attributes = attributesOf(r, {"r", "spans"});
        for (pugi::xml_node c : r.children("c")) {
            Cell cell;
            const char* reference = c.attribute("r").value();
            int cellRow = row.number;
            cell.column = row.cells.empty() ? 1 : row.cells.back().column + 1;
            if (*reference && !parseCellName(reference, cellRow, cell.column)) throw damaged(part);
            if (cellRow != row.number || cell.column > kMaxColumn || (!row.cells.empty() && cell.column <= row.cells.back().column))
                throw damaged(part);
            cell.style = c.attribute("s").as_int();
            if (pugi::xml_node f = c.child("f"))
                cell.formula = std::make_unique<Formula>(Formula{f.text().get(), attributesOf(f)});
            const std::string_view type = c.attribute("t").value();
            const pugi::xml_node v = c.child("v");
            if (type == "s") {
                const int index = v.text().as_int(-1);
                if (index < 0 || size_t(index) >= sharedStrings.size()) throw damaged(part);
                cell.kind = CellKind::Text;
                cell.value = sharedStrings[size_t(index)];
            } else if (type == "inlineStr") {
                cell.kind = CellKind::Text;
                cell.value = stringItemText(c.child("is"));
            } else if (v) {
                cell.kind = type == "str" ? CellKind::Text : type == "b" ? CellKind::Boolean
                          : type == "e"   ? CellKind::Error : CellKind::Number;
                cell.value = cell.kind == CellKind::Text ? unescapeText(v.text().get()) : v.text().get();
            }
            limits.add(part, cell.value.size());
            row.cells.push_back(std::move(cell));
        }
        rows.push_back(std::move(row));
    }
    data.remove_children();
    if (pugi::xml_node cols = root.child("cols")) {
        // Column entries do not overlap, so together they span at most every
        // column once; more is a damaged or hostile part.
        int spanned = 0;
        for (pugi::xml_node col : cols.children("col")) {
            const int first = std::max(1, col.attribute("min").as_int(1));
            const int last = std::min(kMaxColumn, col.attribute("max").as_int(first));
            spanned += std::max(0, last - first + 1);
            if (spanned > kMaxColumn) throw damaged(part);
            for (int c = first; c <= last; ++c) columns[c] = attributesOf(col, {"min", "max"});
        }
        root.remove_child(cols);
    }
}

int SharedStrings::indexOf(const std::string& text) {
    ++uses_;
    const auto [at, added] = numbers_.emplace(text, int(texts_.size()));
    if (added) texts_.push_back(text);
    return at->second;
}

std::string SharedStrings::bytes() const {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                      "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"";
    out += numberText(uses_);
    out += "\" uniqueCount=\"";
    out += numberText(texts_.size());
    out += "\">";
    for (std::string_view text : texts_) {
        out += "<si>";
        appendStringItem(out, text);
        out += "</si>";
    }
    out += "</sst>";
    return out;
}

void appendStringItem(std::string& out, std::string_view text) {
    const bool keepSpaces = !text.empty() && (std::isspace(static_cast<unsigned char>(text.front()))
                                              || std::isspace(static_cast<unsigned char>(text.back())));
    out += keepSpaces ? "<t xml:space=\"preserve\">" : "<t>";
    appendEscaped(out, text);
    out += "</t>";
}

void appendCell(std::string& out, int row, const Cell& cell, SharedStrings* strings) {
    if (cell.kind == CellKind::Empty && !cell.formula && cell.style == 0) return;
    out += "<c r=\"";
    appendCellName(out, row, cell.column);
    out += '"';
    if (cell.style != 0) {
        out += " s=\"";
        out += numberText(cell.style);
        out += '"';
    }
    if (cell.formula) {
        // Formulas are written without their last result, so the
        // application calculates them afresh from the values written.
        out += "><f";
        appendAttributes(out, cell.formula->attributes);
        out += '>';
        appendEscaped(out, cell.formula->text);
        out += "</f></c>";
        return;
    }
    switch (cell.kind) {
    case CellKind::Empty: out += "/>"; return;
    case CellKind::Number: out += "><v>"; out += cell.value; break;
    case CellKind::Text:
        if (!strings) {
            out += " t=\"inlineStr\"><is>";
            appendStringItem(out, cell.value);
            out += "</is></c>";
            return;
        }
        out += " t=\"s\"><v>";
        out += numberText(strings->indexOf(cell.value));
        break;
    case CellKind::Boolean: out += " t=\"b\"><v>"; out += cell.value; break;
    case CellKind::Error: out += " t=\"e\"><v>"; appendEscaped(out, cell.value); break;
    }
    out += "</v></c>";
}

std::string SheetData::save(SharedStrings& strings) {
    pugi::xml_node root = xml.document_element();
    if (pugi::xml_node dimension = root.child("dimension")) {
        int lastColumn = 1;
        for (const Row& row : rows)
            if (!row.cells.empty()) lastColumn = std::max(lastColumn, row.cells.back().column);
        std::string used = "A1";
        if (!rows.empty()) {
            used = "A" + numberText(rows.front().number) + ":";
            appendCellName(used, rows.back().number, lastColumn);
        }
        dimension.attribute("ref").set_value(used.c_str());
    }
    const std::string head = serialize(xml);
    constexpr std::string_view placeholder = "<sheetData/>";
    const size_t at = head.find(placeholder);
    if (at == std::string::npos) throw damaged(part);

    std::string out;
    out.reserve(head.size() + rows.size() * 64);
    out.append(head, 0, at);
    if (!columns.empty()) {
        const std::string_view defaultWidth = root.child("sheetFormatPr").attribute("defaultColWidth").value();
        out += "<cols>";
        for (auto run = columns.begin(); run != columns.end();) {
            auto end = std::next(run);
            int last = run->first;
            while (end != columns.end() && end->first == last + 1 && end->second == run->second) last = (end++)->first;
            Attributes attributes = run->second;
            if (attribute(attributes, "width").empty())  // a column entry always carries its width
                setAttribute(attributes, "width", defaultWidth.empty() ? numberText(kDefaultColumnWidth) : std::string(defaultWidth));
            out += "<col min=\"" + numberText(run->first) + "\" max=\"" + numberText(last) + '"';
            appendAttributes(out, attributes);
            out += "/>";
            run = end;
        }
        out += "</cols>";
    }
    out += "<sheetData>";
    for (const Row& row : rows) {
        if (row.cells.empty() && row.attributes.empty()) continue;
        out += "<row r=\"";
        out += numberText(row.number);
        out += '"';
        appendAttributes(out, row.attributes);
        out += '>';
        for (const Cell& cell : row.cells) appendCell(out, row.number, cell, &strings);
        out += "</row>";
    }
    out += "</sheetData>";
    out.append(head, at + placeholder.size());
    return out;
}

// ---- finding and making cells ----

namespace {

Row* findRow(SheetData& sheet, int number) {
    auto at = std::lower_bound(sheet.rows.begin(), sheet.rows.end(), number,
                               [](const Row& row, int n) { return row.number < n; });
    return at != sheet.rows.end() && at->number == number ? &*at : nullptr;
}

const Cell* cellIn(const Row& row, int column) {
    auto at = std::lower_bound(row.cells.begin(), row.cells.end(), column,
                               [](const Cell& cell, int c) { return cell.column < c; });
    return at != row.cells.end() && at->column == column ? &*at : nullptr;
}

const Cell* findCell(const SheetData& sheet, CellAddress address) {
    const Row* row = findRow(const_cast<SheetData&>(sheet), address.row);
    return row ? cellIn(*row, address.column) : nullptr;
}

QString cellText(const Cell& cell) {
    switch (cell.kind) {
    case CellKind::Empty: return {};
    case CellKind::Number: {
        double number = 0;
        const std::string& v = cell.value;
        if (std::from_chars(v.data(), v.data() + v.size(), number).ec != std::errc()) return QString::fromStdString(v);
        return QString::fromStdString(numberText(number == 0 ? 0.0 : number));
    }
    case CellKind::Boolean: return cell.value == "1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case CellKind::Text:
    case CellKind::Error: return QString::fromStdString(cell.value);
    }
    return {};
}

// The format a new cell takes: its row's when the row has one, otherwise its column's.
int defaultStyle(const SheetData& sheet, const Row& row, int column) {
    if (attribute(row.attributes, "customFormat") == "1") return styleAttribute(row.attributes);
    auto col = sheet.columns.find(column);
    if (col == sheet.columns.end()) return 0;
    const std::string_view style = styleOfColumn(col->second);
    int number = 0;
    std::from_chars(style.data(), style.data() + style.size(), number);
    return number;
}

Cell& cellFor(SheetData& sheet, CellAddress address) {
    checkCell(address);
    Row* row = nullptr;
    if (sheet.rows.empty() || sheet.rows.back().number < address.row) {
        sheet.rows.push_back(Row{address.row, {}, {}});
        row = &sheet.rows.back();
    } else {
        auto at = std::lower_bound(sheet.rows.begin(), sheet.rows.end(), address.row,
                                   [](const Row& r, int n) { return r.number < n; });
        if (at == sheet.rows.end() || at->number != address.row) at = sheet.rows.insert(at, Row{address.row, {}, {}});
        row = &*at;
    }
    auto& cells = row->cells;
    if (cells.empty() || cells.back().column < address.column) {
        cells.push_back(Cell{address.column, defaultStyle(sheet, *row, address.column), CellKind::Empty, {}, {}});
        return cells.back();
    }
    auto at = std::lower_bound(cells.begin(), cells.end(), address.column,
                               [](const Cell& cell, int c) { return cell.column < c; });
    if (at == cells.end() || at->column != address.column)
        at = cells.insert(at, Cell{address.column, defaultStyle(sheet, *row, address.column), CellKind::Empty, {}, {}});
    return *at;
}

void restyle(SheetData& sheet, const CellRange& range, const std::function<int(int)>& change) {
    for (int r = range.first.row; r <= range.last.row; ++r)
        for (int c = range.first.column; c <= range.last.column; ++c) {
            Cell& cell = cellFor(sheet, {r, c});
            cell.style = change(cell.style);
        }
}

} // namespace

void ColumnFit::add(const Cell& cell) {
    if (cell.kind == CellKind::Empty) return;
    Shown& shown = byStyle_[cell.style];
    double number = 0;
    if (cell.kind != CellKind::Number
        || std::from_chars(cell.value.data(), cell.value.data() + cell.value.size(), number).ec != std::errc()) {
        shown.widestText = std::max(shown.widestText, textWidth(cellText(cell)));
        return;
    }
    shown.least = shown.numbers == 0 ? number : std::min(shown.least, number);
    shown.most = shown.numbers == 0 ? number : std::max(shown.most, number);
    shown.longestNumber = std::max(shown.longestNumber, cell.value.size());
    ++shown.numbers;
}

double ColumnFit::width(const StyleSheet& styles) const {
    double widest = 0;
    for (const auto& [style, shown] : byStyle_) {
        const CellFormat format = styles.format(style);
        double width = shown.widestText;
        if (shown.numbers > 0) {
            // General shows a number's digits, at most 11 characters; other
            // formats show the smallest or the largest number widest.
            if (format.numberFormat == QLatin1String("General") || format.numberFormat == QLatin1String("@"))
                width = std::max(width, double(std::min<size_t>(shown.longestNumber, 11)));
            else
                for (const double number : {shown.least, shown.most})
                    width = std::max(width, textWidth(shownNumber(numberText(number), format.numberFormat)));
        }
        widest = std::max(widest, width * format.fontSize / 11 * (format.bold ? 1.1 : 1.0));
    }
    return widest == 0 ? 0 : std::min(kMaxColumnWidth, std::ceil(widest) + 1);
}

// ---- the sheet's operations ----

QString Sheet::name() const { return sheet_->name; }

void Sheet::setName(const QString& name) {
    auto refuse = [&](const QString& why) { throw Error(why.arg(name)); };
    if (name.isEmpty()) refuse(QStringLiteral("工作表名称不能为空。%1"));
    if (name.size() > 31) refuse(QStringLiteral("工作表名称不能超过31个字符：“%1”"));
    static const QString forbidden = QStringLiteral(":\\/?*[]");
    for (const QChar c : name)
        if (forbidden.contains(c)) refuse(QStringLiteral("工作表名称不能包含 : \\ / ? * [ ] 这些字符：“%1”"));
    if (name.startsWith(QLatin1Char('\'')) || name.endsWith(QLatin1Char('\'')))
        refuse(QStringLiteral("工作表名称不能以单引号开头或结尾：“%1”"));
    for (const auto& other : book_->sheets)
        if (other.get() != sheet_ && sameName(other->name, name)) refuse(QStringLiteral("已经有名为“%1”的工作表。"));
    sheet_->name = name;
    sheet_->entry.attribute("name").set_value(name.toStdString().c_str());
}

QString Sheet::text(CellAddress address) const {
    const Cell* cell = findCell(*sheet_, address);
    return cell ? cellText(*cell) : QString();
}

QString Sheet::formula(CellAddress address) const {
    const Cell* cell = findCell(*sheet_, address);
    return cell && cell->formula ? QString::fromStdString(cell->formula->text) : QString();
}

void Sheet::setValue(CellAddress address, const QVariant& value) {
    std::string text;
    const CellKind kind = cellContent(value, address, text);
    if (kind == CellKind::Empty && !findCell(*sheet_, address)) return;
    Cell& cell = cellFor(*sheet_, address);
    cell.kind = kind;
    cell.value = std::move(text);
    cell.formula.reset();
}

void Sheet::insertRow(int row, int count) {
    checkCell({row, 1});
    if (count < 1) return;
    auto& rows = sheet_->rows;
    if (!rows.empty() && rows.back().number > kMaxRow - count && rows.back().number >= row)
        throw Error(QStringLiteral("工作表“%1”的最后一行已有内容，不能再插入行。").arg(sheet_->name));
    auto at = std::lower_bound(rows.begin(), rows.end(), row, [](const Row& r, int n) { return r.number < n; });
    for (auto r = at; r != rows.end(); ++r) r->number += count;

    // The new rows look like the row above them.
    Row inserted{row, {}, {}};
    if (at != rows.begin() && std::prev(at)->number == row - 1) {
        const Row& above = *std::prev(at);
        for (const char* name : {"ht", "customHeight", "s", "customFormat"})
            if (const std::string_view v = attribute(above.attributes, name); !v.empty()) setAttribute(inserted.attributes, name, std::string(v));
        for (const Cell& cell : above.cells)
            if (cell.style != 0) inserted.cells.push_back(Cell{cell.column, cell.style, CellKind::Empty, {}, {}});
    }
    if (!inserted.cells.empty() || !inserted.attributes.empty()) {
        std::vector<Row> added;
        for (int n = 0; n < count; ++n) {
            added.push_back({row + n, inserted.attributes, {}});
            for (const Cell& cell : inserted.cells) added.back().cells.push_back(Cell{cell.column, cell.style, CellKind::Empty, {}, {}});
        }
        rows.insert(at, std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    }

    const QString& target = sheet_->name;
    for (pugi::xml_node merge : sheet_->xml.document_element().child("mergeCells").children("mergeCell"))
        merge.attribute("ref").set_value(moveRowsDown(merge.attribute("ref").value(), true, target, row, count).c_str());
    for (const auto& sheet : book_->sheets) {
        const bool own = sheet.get() == sheet_;
        for (Row& r : sheet->rows)
            for (Cell& cell : r.cells) {
                if (!cell.formula) continue;
                cell.formula->text = moveRowsDown(cell.formula->text, own, target, row, count);
                if (!own) continue;
                for (auto& [name, value] : cell.formula->attributes)
                    if (name == "ref") value = moveRowsDown(value, true, target, row, count);
            }
    }
    for (pugi::xml_node name : book_->workbook.document_element().child("definedNames").children("definedName"))
        name.text().set(moveRowsDown(name.text().get(), false, target, row, count).c_str());
}

void Sheet::autoFitColumn(int column) {
    checkCell({1, column});
    std::vector<CellRange> mergedAcross;
    for (const CellRange& range : mergedRangesOf(*sheet_))
        if (range.first.column != range.last.column && range.first.column <= column && column <= range.last.column)
            mergedAcross.push_back(range);
    ColumnFit fit;
    for (const Row& row : sheet_->rows) {
        const Cell* cell = cellIn(row, column);
        if (!cell) continue;
        if (std::any_of(mergedAcross.begin(), mergedAcross.end(),
                        [&](const CellRange& m) { return m.first.row <= row.number && row.number <= m.last.row; }))
            continue;
        fit.add(*cell);
    }
    const double width = fit.width(*book_->styles);
    if (width == 0) return;
    Attributes& attributes = sheet_->columns[column];
    setAttribute(attributes, "width", numberText(width));
    setAttribute(attributes, "bestFit", "1");
    setAttribute(attributes, "customWidth", "1");
}

double Sheet::columnWidth(int column) const {
    auto col = sheet_->columns.find(column);
    if (col == sheet_->columns.end()) return 0;
    const std::string_view width = attribute(col->second, "width");
    double value = 0;
    std::from_chars(width.data(), width.data() + width.size(), value);
    return value;
}

double Sheet::rowHeight(int row) const {
    const Row* r = findRow(*sheet_, row);
    if (!r) return 0;
    const std::string_view height = attribute(r->attributes, "ht");
    double value = 0;
    std::from_chars(height.data(), height.data() + height.size(), value);
    return value;
}

void Sheet::setColumnNumberFormat(int column, const QString& format) {
    checkCell({1, column});
    StyleSheet& styles = *book_->styles;
    Attributes& attributes = sheet_->columns[column];
    const std::string_view style = styleOfColumn(attributes);
    int number = 0;
    std::from_chars(style.data(), style.data() + style.size(), number);
    setAttribute(attributes, "style", numberText(styles.withNumberFormat(number, format)));
    for (Row& row : sheet_->rows)
        for (Cell& cell : row.cells)
            if (cell.column == column) cell.style = styles.withNumberFormat(cell.style, format);
}

void Sheet::setNumberFormat(const CellRange& range, const QString& format) {
    restyle(*sheet_, range, [&](int style) { return book_->styles->withNumberFormat(style, format); });
}

void Sheet::setFont(const CellRange& range, double size, bool bold) {
    restyle(*sheet_, range, [&](int style) { return book_->styles->withFont(style, size, bold); });
}

void Sheet::setAlignment(const CellRange& range, Alignment alignment) {
    restyle(*sheet_, range, [&](int style) { return book_->styles->withAlignment(style, alignment); });
}

CellFormat Sheet::format(CellAddress address) const {
    if (const Cell* cell = findCell(*sheet_, address)) return book_->styles->format(cell->style);
    const Row* row = findRow(*sheet_, address.row);
    return book_->styles->format(row ? defaultStyle(*sheet_, *row, address.column) : defaultStyle(*sheet_, Row{}, address.column));
}

QStringList Sheet::mergedRanges() const {
    QStringList ranges;
    for (pugi::xml_node m : sheet_->xml.document_element().child("mergeCells").children("mergeCell"))
        ranges << QString::fromUtf8(m.attribute("ref").value());
    return ranges;
}

} // namespace workbook
