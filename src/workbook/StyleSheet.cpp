#include "workbook/StyleSheet.h"

#include <cstdlib>

namespace workbook {
namespace {

// The number formats every spreadsheet application knows by number.
struct BuiltInFormat {
    int id;
    const char* code;
};
constexpr BuiltInFormat kBuiltInFormats[] = {
    {0, "General"}, {1, "0"},        {2, "0.00"},  {3, "#,##0"}, {4, "#,##0.00"},
    {9, "0%"},      {10, "0.00%"},   {11, "0.00E+00"}, {49, "@"},
};

// Custom number formats are numbered from here.
constexpr int kFirstCustomFormat = 164;

void setCount(pugi::xml_node list, size_t count) {
    pugi::xml_attribute a = list.attribute("count");
    if (!a) a = list.append_attribute("count");
    a.set_value(static_cast<unsigned long long>(count));
}

// The child list `name` of the style sheet, made in its place when missing.
pugi::xml_node listOf(pugi::xml_node root, const char* name, std::initializer_list<std::string_view> before) {
    if (pugi::xml_node list = root.child(name)) return list;
    if (pugi::xml_node next = firstChildOf(root, before)) return root.insert_child_before(name, next);
    return root.append_child(name);
}

} // namespace

StyleSheet::StyleSheet(const std::string& bytes, const std::string& part) {
    parsePart(document_, bytes, part);
    pugi::xml_node root = document_.document_element();
    fonts_ = listOf(root, "fonts", {"fills", "borders", "cellStyleXfs", "cellXfs"});
    entries_ = listOf(root, "cellXfs", {"cellStyles", "dxfs", "tableStyles", "colors", "extLst"});
    for (pugi::xml_node f : fonts_.children("font")) {
        fontNumbers_.emplace(serialize(f), int(fontNodes_.size()));
        fontNodes_.push_back(f);
    }
    if (fontNodes_.empty()) {
        pugi::xml_node f = fonts_.append_child("font");
        f.append_child("sz").append_attribute("val").set_value("11");
        fontNodes_.push_back(f);
        setCount(fonts_, 1);
    }
    for (pugi::xml_node e : entries_.children("xf")) {
        entryNumbers_.emplace(serialize(e), int(entryNodes_.size()));
        entryNodes_.push_back(e);
    }
    if (entryNodes_.empty()) {
        entryNodes_.push_back(entries_.append_child("xf"));
        setCount(entries_, 1);
    }
}

std::string StyleSheet::bytes() const { return serialize(document_); }

pugi::xml_node StyleSheet::entry(int style) const {
    return style >= 0 && size_t(style) < entryNodes_.size() ? entryNodes_[size_t(style)] : entryNodes_.front();
}

pugi::xml_node StyleSheet::font(int style) const {
    const int id = entry(style).attribute("fontId").as_int();
    return id >= 0 && size_t(id) < fontNodes_.size() ? fontNodes_[size_t(id)] : fontNodes_.front();
}

int StyleSheet::derive(int style, const std::function<void(pugi::xml_node)>& change) {
    pugi::xml_document scratch;
    pugi::xml_node copy = scratch.append_copy(entry(style));
    change(copy);
    std::string key = serialize(copy);
    if (auto found = entryNumbers_.find(key); found != entryNumbers_.end()) return found->second;
    const int number = int(entryNodes_.size());
    entryNodes_.push_back(entries_.append_copy(copy));
    entryNumbers_.emplace(std::move(key), number);
    setCount(entries_, entryNodes_.size());
    return number;
}

int StyleSheet::fontLike(pugi::xml_node f) {
    std::string key = serialize(f);
    if (auto found = fontNumbers_.find(key); found != fontNumbers_.end()) return found->second;
    const int number = int(fontNodes_.size());
    fontNodes_.push_back(fonts_.append_copy(f));
    fontNumbers_.emplace(std::move(key), number);
    setCount(fonts_, fontNodes_.size());
    return number;
}

int StyleSheet::numberFormatId(const QString& code) {
    const std::string utf8 = code.toStdString();
    for (const BuiltInFormat& f : kBuiltInFormats)
        if (utf8 == f.code) return f.id;
    pugi::xml_node root = document_.document_element();
    pugi::xml_node list = root.child("numFmts");
    int next = kFirstCustomFormat;
    for (pugi::xml_node f : list.children("numFmt")) {
        if (utf8 == f.attribute("formatCode").value()) return f.attribute("numFmtId").as_int();
        next = std::max(next, f.attribute("numFmtId").as_int() + 1);
    }
    if (!list) list = root.prepend_child("numFmts");
    pugi::xml_node f = list.append_child("numFmt");
    f.append_attribute("numFmtId").set_value(next);
    f.append_attribute("formatCode").set_value(utf8.c_str());
    setCount(list, size_t(std::distance(list.children("numFmt").begin(), list.children("numFmt").end())));
    return next;
}

int StyleSheet::withNumberFormat(int style, const QString& code) {
    const int id = numberFormatId(code);
    return derive(style, [&](pugi::xml_node e) {
        if (!e.attribute("numFmtId")) e.append_attribute("numFmtId");
        e.attribute("numFmtId").set_value(id);
        if (!e.attribute("applyNumberFormat")) e.append_attribute("applyNumberFormat");
        e.attribute("applyNumberFormat").set_value("1");
    });
}

int StyleSheet::withFont(int style, double size, bool bold) {
    pugi::xml_document scratch;
    pugi::xml_node f = scratch.append_copy(font(style));
    f.remove_child("b");
    if (bold) f.prepend_child("b");
    pugi::xml_node sz = f.child("sz");
    if (!sz) sz = bold ? f.insert_child_after("sz", f.child("b")) : f.prepend_child("sz");
    if (!sz.attribute("val")) sz.append_attribute("val");
    sz.attribute("val").set_value(size);
    const int id = fontLike(f);
    return derive(style, [&](pugi::xml_node e) {
        if (!e.attribute("fontId")) e.append_attribute("fontId");
        e.attribute("fontId").set_value(id);
        if (!e.attribute("applyFont")) e.append_attribute("applyFont");
        e.attribute("applyFont").set_value("1");
    });
}

int StyleSheet::withAlignment(int style, Alignment alignment) {
    return derive(style, [&](pugi::xml_node e) {
        pugi::xml_node a = e.child("alignment");
        if (!a) a = e.prepend_child("alignment");
        a.remove_attribute("horizontal");
        const char* name = alignment == Alignment::Left     ? "left"
                           : alignment == Alignment::Center ? "center"
                           : alignment == Alignment::Right  ? "right"
                                                            : nullptr;
        if (name) a.append_attribute("horizontal").set_value(name);
        if (!e.attribute("applyAlignment")) e.append_attribute("applyAlignment");
        e.attribute("applyAlignment").set_value("1");
    });
}

CellFormat StyleSheet::format(int style) const {
    CellFormat format;
    const pugi::xml_node e = entry(style);
    const int id = e.attribute("numFmtId").as_int();
    format.numberFormat = QStringLiteral("General");
    for (const BuiltInFormat& f : kBuiltInFormats)
        if (f.id == id) format.numberFormat = QString::fromUtf8(f.code);
    for (pugi::xml_node f : document_.document_element().child("numFmts").children("numFmt"))
        if (f.attribute("numFmtId").as_int() == id) format.numberFormat = QString::fromUtf8(f.attribute("formatCode").value());
    const pugi::xml_node f = font(style);
    format.fontSize = f.child("sz").attribute("val").as_double(11);
    const pugi::xml_node b = f.child("b");
    format.bold = b && b.attribute("val").as_bool(true);
    const std::string_view horizontal = e.child("alignment").attribute("horizontal").value();
    format.alignment = horizontal == "left"     ? Alignment::Left
                       : horizontal == "center" ? Alignment::Center
                       : horizontal == "right"  ? Alignment::Right
                                                : Alignment::General;
    return format;
}

} // namespace workbook
