#pragma once

// XML helpers shared by the parts of the workbook layer (not part of its interface).

#include <pugixml.hpp>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace workbook {

// The attributes of an element kept as they were read, in order.
using Attributes = std::vector<std::pair<std::string, std::string>>;

Attributes attributesOf(pugi::xml_node node, std::initializer_list<std::string_view> except = {});
std::string_view attribute(const Attributes& attributes, std::string_view name);
void setAttribute(Attributes& attributes, std::string_view name, std::string value);
void appendAttributes(std::string& out, const Attributes& attributes);

// Sets an attribute of an element, adding it when missing.
template <typename Value>
void setAttribute(pugi::xml_node node, const char* name, Value value) {
    pugi::xml_attribute a = node.attribute(name);
    if (!a) a = node.append_attribute(name);
    a.set_value(value);
}

// Parses a part; raises Error naming it when it is not well-formed XML.
void parsePart(pugi::xml_document& document, const std::string& bytes, const std::string& name);
// The whole document, or one element, as UTF-8 text without added white space.
std::string serialize(const pugi::xml_document& document);
std::string serialize(pugi::xml_node node);

// Appends text with the XML characters escaped. Characters that XML cannot
// carry (control characters, CR) are written the way spreadsheet files do,
// as _xHHHH_, and an underscore that would read as such an escape is itself
// escaped, so every text comes back unchanged.
void appendEscaped(std::string& out, std::string_view text);
void appendEscapedAttribute(std::string& out, std::string_view text);
// Undoes the _xHHHH_ escapes of a text read from a part.
std::string unescapeText(std::string_view text);
// The text of a string item (<si> or <is>): its <t>, or the <t> of each run.
std::string stringItemText(pugi::xml_node item);

// The first child element of `parent` with one of `names`, or an empty node.
pugi::xml_node firstChildOf(pugi::xml_node parent, std::initializer_list<std::string_view> names);

} // namespace workbook
