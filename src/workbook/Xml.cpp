#include "workbook/Xml.h"

#include "workbook/Error.h"

#include <QString>
#include <algorithm>
#include <cstdio>

namespace workbook {
namespace {

struct StringWriter final : pugi::xml_writer {
    std::string out;
    void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
};

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// "_x" + four hexadecimal digits + "_" at `at`.
bool isEscapeAt(std::string_view text, size_t at) {
    return at + 7 <= text.size() && text[at] == '_' && text[at + 1] == 'x' && isHex(text[at + 2])
           && isHex(text[at + 3]) && isHex(text[at + 4]) && isHex(text[at + 5]) && text[at + 6] == '_';
}

void appendCodeEscape(std::string& out, unsigned code) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "_x%04X_", code);
    out += buffer;
}

void appendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

void appendEscapedWith(std::string& out, std::string_view text, bool inAttribute) {
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"':
            if (inAttribute) out += "&quot;";
            else out += '"';
            break;
        case '_':
            if (isEscapeAt(text, i)) out += "_x005F_";
            else out += '_';
            break;
        default:
            if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
                appendCodeEscape(out, c);
            } else if (c == 0xEF && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xBF
                       && (static_cast<unsigned char>(text[i + 2]) & 0xFE) == 0xBE) {
                // U+FFFE and U+FFFF are not characters of XML.
                appendCodeEscape(out, 0xFFFE | (static_cast<unsigned char>(text[i + 2]) & 1));
                i += 2;
            } else {
                out += char(c);
            }
        }
    }
}

} // namespace

Attributes attributesOf(pugi::xml_node node, std::initializer_list<std::string_view> except) {
    Attributes attributes;
    for (pugi::xml_attribute a : node.attributes()) {
        bool skip = false;
        for (std::string_view name : except) skip = skip || name == a.name();
        if (!skip) attributes.emplace_back(a.name(), a.value());
    }
    return attributes;
}

std::string_view attribute(const Attributes& attributes, std::string_view name) {
    for (const auto& [key, value] : attributes)
        if (key == name) return value;
    return {};
}

void setAttribute(Attributes& attributes, std::string_view name, std::string value) {
    for (auto& [key, old] : attributes)
        if (key == name) {
            old = std::move(value);
            return;
        }
    attributes.emplace_back(std::string(name), std::move(value));
}

void appendAttributes(std::string& out, const Attributes& attributes) {
    for (const auto& [key, value] : attributes) {
        out += ' ';
        out += key;
        out += "=\"";
        appendEscapedAttribute(out, value);
        out += '"';
    }
}

void parsePart(pugi::xml_document& document, const std::string& bytes, const std::string& name) {
    // Each element and attribute takes some 50 bytes once parsed: a part with
    // more of them than any template has is refused before it is parsed.
    constexpr std::ptrdiff_t kMaxMarkup = 4'000'000;
    if (std::count(bytes.begin(), bytes.end(), '<') + std::count(bytes.begin(), bytes.end(), '=') > kMaxMarkup)
        throw Error(QStringLiteral("工作簿的组成部分“%1”过大").arg(QString::fromStdString(name)));
    const pugi::xml_parse_result result =
        document.load_buffer(bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_ws_pcdata_single);
    if (!result || !document.document_element())
        throw Error(QStringLiteral("工作簿的组成部分“%1”已损坏：%2")
                        .arg(QString::fromStdString(name), QString::fromUtf8(result.description())));
}

std::string serialize(const pugi::xml_document& document) {
    StringWriter writer;
    document.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return std::move(writer.out);
}

std::string serialize(pugi::xml_node node) {
    StringWriter writer;
    node.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return std::move(writer.out);
}

void appendEscaped(std::string& out, std::string_view text) { appendEscapedWith(out, text, false); }

void appendEscapedAttribute(std::string& out, std::string_view text) { appendEscapedWith(out, text, true); }

std::string unescapeText(std::string_view text) {
    if (text.find("_x") == std::string_view::npos) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (isEscapeAt(text, i)) {
            appendUtf8(out, unsigned(std::stoul(std::string(text.substr(i + 2, 4)), nullptr, 16)));
            i += 6;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string stringItemText(pugi::xml_node item) {
    if (pugi::xml_node t = item.child("t")) return unescapeText(t.text().get());
    std::string text;
    for (pugi::xml_node run : item.children("r")) text += run.child("t").text().get();
    return unescapeText(text);
}

pugi::xml_node firstChildOf(pugi::xml_node parent, std::initializer_list<std::string_view> names) {
    for (pugi::xml_node child : parent.children())
        for (std::string_view name : names)
            if (name == child.name()) return child;
    return {};
}

} // namespace workbook
