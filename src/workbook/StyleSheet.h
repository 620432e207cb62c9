#pragma once

// The cell formats of a workbook (its part xl/styles.xml); internal to the workbook layer.

#include "workbook/Workbook.h"
#include "workbook/Xml.h"

#include <functional>
#include <unordered_map>

namespace workbook {

// Cell formats are numbered entries of the style sheet; a cell names its
// entry. Changing one property of a cell's format gives the number of an
// entry that differs in just that property, added when the workbook has none
// yet, so formats are shared and the style sheet stays small.
class StyleSheet {
public:
    StyleSheet(const std::string& bytes, const std::string& part);
    std::string bytes() const;

    int withNumberFormat(int style, const QString& code);
    int withFont(int style, double size, bool bold);
    int withAlignment(int style, Alignment alignment);
    CellFormat format(int style) const;

private:
    // A list of the style sheet (fonts, cell formats) whose entries are shared:
    // an entry is added only when no equal one is there.
    struct SharedList {
        pugi::xml_node list;
        std::vector<pugi::xml_node> entries;
        std::unordered_map<std::string, int> numbers;  // by the entry's XML

        void read(pugi::xml_node node, const char* entryName);
        int numberOf(pugi::xml_node entry);
        pugi::xml_node at(int number) const;
    };

    pugi::xml_node font(int style) const;
    int numberFormatId(const QString& code);
    // The number of the format like `style` but changed by `change`.
    int derive(int style, const std::function<void(pugi::xml_node)>& change);

    pugi::xml_document document_;
    SharedList formats_;  // <cellXfs>
    SharedList fonts_;    // <fonts>
};

} // namespace workbook
