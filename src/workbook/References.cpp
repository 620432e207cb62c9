#include "workbook/References.h"

#include "workbook/Workbook.h"

#include <charconv>

namespace workbook {
namespace {

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
// Characters that continue a name or a reference in a formula.
bool isWordChar(char c) {
    return isLetter(c) || isDigit(c) || c == '_' || c == '.' || c == '$' || c == '\\' || static_cast<unsigned char>(c) >= 0x80;
}

// One side of a reference: a cell ("$B$3"), a whole row ("3") or a whole column ("B").
struct ReferencePart {
    enum Kind { Cell, Row, Column } kind;
    std::string_view columnText;  // with its "$"
    bool rowAbsolute = false;
    int row = 0;
};

bool parsePart(std::string_view text, ReferencePart& part) {
    size_t i = 0;
    if (i < text.size() && text[i] == '$') ++i;
    size_t letters = 0;
    int column = 0;
    while (i < text.size() && isLetter(text[i]) && letters < 4) {
        column = column * 26 + (text[i] & 0x1F);
        ++i;
        ++letters;
    }
    if (letters > 3 || column > kMaxColumn) return false;
    if (letters == 0) i = 0;
    part.columnText = text.substr(0, i);
    if (i == text.size()) {
        part.kind = ReferencePart::Column;
        return letters > 0;
    }
    part.rowAbsolute = text[i] == '$';
    if (part.rowAbsolute) ++i;
    if (i == text.size() || !isDigit(text[i]) || text[i] == '0') return false;
    const auto [end, error] = std::from_chars(text.data() + i, text.data() + text.size(), part.row);
    if (error != std::errc() || end != text.data() + text.size() || part.row > kMaxRow) return false;
    part.kind = letters > 0 ? ReferencePart::Cell : ReferencePart::Row;
    return true;
}

void appendPart(std::string& out, const ReferencePart& part, int insertedRow, int count) {
    out += part.columnText;
    if (part.kind == ReferencePart::Column) return;
    if (part.rowAbsolute) out += '$';
    out += std::to_string(part.row >= insertedRow ? part.row + count : part.row);
}

bool sameSheet(std::string_view name, const QString& target) {
    return QString::fromUtf8(name.data(), qsizetype(name.size())).compare(target, Qt::CaseInsensitive) == 0;
}

class RowMover {
public:
    RowMover(std::string_view formula, bool ownSheetIsTarget, const QString& target, int row, int count)
        : f_(formula), ownSheetIsTarget_(ownSheetIsTarget), target_(target), row_(row), count_(count) {}

    std::string run() {
        while (i_ < f_.size()) {
            const char c = f_[i_];
            if (c == '"') copyQuoted('"');
            else if (c == '[') copyBracketed();
            else if (c == '\'') sheetInQuotes();
            else if (isWordChar(c)) word();
            else out_ += f_[i_++];
        }
        return std::move(out_);
    }

private:
    size_t wordEnd(size_t from) const {
        while (from < f_.size() && isWordChar(f_[from])) ++from;
        return from;
    }

    void copyQuoted(char quote) {
        size_t j = i_ + 1;
        while (j < f_.size()) {
            if (f_[j] == quote) {
                if (j + 1 < f_.size() && f_[j + 1] == quote) j += 2;
                else break;
            } else {
                ++j;
            }
        }
        j = std::min(j + 1, f_.size());
        out_ += f_.substr(i_, j - i_);
        i_ = j;
    }

    void copyBracketed() {
        size_t j = i_;
        int depth = 0;
        do {
            if (f_[j] == '[') ++depth;
            else if (f_[j] == ']') --depth;
            ++j;
        } while (j < f_.size() && depth > 0);
        out_ += f_.substr(i_, j - i_);
        i_ = j;
    }

    // 'Sheet name'!A1
    void sheetInQuotes() {
        const size_t start = i_;
        copyQuoted('\'');
        if (i_ >= f_.size() || f_[i_] != '!') return;
        std::string name(f_.substr(start + 1, i_ - start - 2));
        for (size_t at = name.find("''"); at != std::string::npos; at = name.find("''", at + 1)) name.erase(at, 1);
        out_ += '!';
        ++i_;
        reference(sameSheet(name, target_));
    }

    void word() {
        const size_t end = wordEnd(i_);
        if (end < f_.size() && f_[end] == '!') {
            const bool matches = sameSheet(f_.substr(i_, end - i_), target_);
            out_ += f_.substr(i_, end + 1 - i_);
            i_ = end + 1;
            reference(matches);
        } else {
            reference(ownSheetIsTarget_);
        }
    }

    // A word at i_ that may be a reference, or a range of two.
    void reference(bool move) {
        const size_t end = wordEnd(i_);
        const std::string_view first = f_.substr(i_, end - i_);
        ReferencePart a, b;
        const bool isFunction = end < f_.size() && f_[end] == '(';
        if (isFunction || !parsePart(first, a)) {
            out_ += first;
            i_ = end;
            return;
        }
        if (end < f_.size() && f_[end] == ':') {
            const size_t secondEnd = wordEnd(end + 1);
            if (parsePart(f_.substr(end + 1, secondEnd - end - 1), b) && b.kind == a.kind) {
                if (move) {
                    appendPart(out_, a, row_, count_);
                    out_ += ':';
                    appendPart(out_, b, row_, count_);
                } else {
                    out_ += f_.substr(i_, secondEnd - i_);
                }
                i_ = secondEnd;
                return;
            }
        }
        if (move && a.kind == ReferencePart::Cell) appendPart(out_, a, row_, count_);
        else out_ += first;
        i_ = end;
    }

    std::string_view f_;
    bool ownSheetIsTarget_;
    const QString& target_;
    int row_;
    int count_;
    size_t i_ = 0;
    std::string out_;
};

Error notAnAddress(QStringView text) { return Error(QStringLiteral("单元格地址无效：“%1”").arg(text)); }

} // namespace

bool parseCellName(std::string_view name, int& row, int& column) {
    ReferencePart part;
    if (!parsePart(name, part) || part.kind != ReferencePart::Cell) return false;
    column = 0;
    for (char c : part.columnText)
        if (c != '$') column = column * 26 + (c & 0x1F);
    row = part.row;
    return true;
}

void appendCellName(std::string& out, int row, int column) {
    char letters[4];
    int n = 0;
    for (int c = column; c > 0; c = (c - 1) / 26) letters[n++] = char('A' + (c - 1) % 26);
    while (n > 0) out += letters[--n];
    char digits[12];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, row);
    out.append(digits, end);
}

std::string moveRowsDown(std::string_view formula, bool ownSheetIsTarget, const QString& target, int row, int count) {
    return RowMover(formula, ownSheetIsTarget, target, row, count).run();
}

CellAddress cellAt(QStringView a1) {
    const std::string text = a1.toString().toStdString();
    CellAddress cell;
    if (!parseCellName(text, cell.row, cell.column)) throw notAnAddress(a1);
    return cell;
}

QString cellName(CellAddress cell) {
    std::string name;
    appendCellName(name, cell.row, cell.column);
    return QString::fromStdString(name);
}

CellRange rangeAt(QStringView a1) {
    const qsizetype colon = a1.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        const CellAddress cell = cellAt(a1);
        return {cell, cell};
    }
    CellAddress a, b;
    try {
        a = cellAt(a1.left(colon));
        b = cellAt(a1.mid(colon + 1));
    } catch (const Error&) {
        throw notAnAddress(a1);
    }
    return {{std::min(a.row, b.row), std::min(a.column, b.column)}, {std::max(a.row, b.row), std::max(a.column, b.column)}};
}

} // namespace workbook
