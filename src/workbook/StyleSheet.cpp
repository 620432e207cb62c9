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

// The child list `name` of the style sheet, made in its place when missing.
pugi::xml_node listOf(pugi::xml_node root, const char* name, std::initializer_list<std::string_view> before) {
    if (pugi::xml_node list = root.child(name)) return list;
    if (pugi::xml_node next = firstChildOf(root, before)) return root.insert_child_before(name, next);
    return root.append_child(name);
}

} // namespace

void StyleSheet::SharedList::read(pugi::xml_node node, const char* entryName) {
    list = node;
    for (pugi::xml_node e : list.children(entryName)) {
        numbers.emplace(serialize(e), int(entries.size()));
        entries.push_back(e);
    }
    if (entries.empty()) numberOf(pugi::xml_document().append_child(entryName));
}

int StyleSheet::SharedList::numberOf(pugi::xml_node entry) {
    std::string key = serialize(entry);
    if (auto found = numbers.find(key); found != numbers.end()) return found->second;
    const int number = int(entries.size());
    entries.push_back(list.append_copy(entry));
    numbers.emplace(std::move(key), number);
    setAttribute(list, "count", static_cast<unsigned long long>(entries.size()));
    return number;
}

pugi::xml_node StyleSheet::SharedList::at(int number) const {
    return number >= 0 && size_t(number) < entries.size() ? entries[size_t(number)] : entries.front();
}

StyleSheet::StyleSheet(const std::string& bytes, const std::string& part) {
    parsePart(document_, bytes, part);
    pugi::xml_node root = document_.document_element();
    fonts_.read(listOf(root, "fonts", {"fills", "borders", "cellStyleXfs", "cellXfs"}), "font");
    formats_.read(listOf(root, "cellXfs", {"cellStyles", "dxfs", "tableStyles", "colors", "extLst"}), "xf");
}

std::string StyleSheet::bytes() const { return serialize(document_); }

pugi::xml_node StyleSheet::font(int style) const { return fonts_.at(formats_.at(style).attribute("fontId").as_int()); }

int StyleSheet::derive(int style, const std::function<void(pugi::xml_node)>& change) {
    pugi::xml_document scratch;
    pugi::xml_node copy = scratch.append_copy(formats_.at(style));
    change(copy);
    return formats_.numberOf(copy);
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
    setAttribute(list, "count", static_cast<long long>(std::distance(list.children("numFmt").begin(), list.children("numFmt").end())));
    return next;
}

int StyleSheet::withNumberFormat(int style, const QString& code) {
    const int id = numberFormatId(code);
    return derive(style, [&](pugi::xml_node e) {
        setAttribute(e, "numFmtId", id);
        setAttribute(e, "applyNumberFormat", "1");
    });
}

int StyleSheet::withFont(int style, double size, bool bold) {
    pugi::xml_document scratch;
    pugi::xml_node f = scratch.append_copy(font(style));
    f.remove_child("b");
    if (bold) f.prepend_child("b");
    pugi::xml_node sz = f.child("sz");
    if (!sz) sz = bold ? f.insert_child_after("sz", f.child("b")) : f.prepend_child("sz");
    setAttribute(sz, "val", size);
    const int id = fonts_.numberOf(f);
    return derive(style, [&](pugi::xml_node e) {
        setAttribute(e, "fontId", id);
        setAttribute(e, "applyFont", "1");
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
        setAttribute(e, "applyAlignment", "1");
    });
}

CellFormat StyleSheet::format(int style) const {
    CellFormat format;
    const pugi::xml_node e = formats_.at(style);
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
