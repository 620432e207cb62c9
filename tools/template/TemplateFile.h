#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <string>
#include <vector>

// Writes a workbook template (.xltx) made by the build tools: the worksheets
// in order, each with its name and its worksheet part, and one style sheet.
struct TemplateSheet {
    QString name;
    std::string worksheet;  // the XML of the worksheet part
};
void writeTemplateFile(const std::vector<TemplateSheet>& sheets, const std::string& styles, const QString& path);

// A text made safe for XML content and attribute values.
QString xmlEscaped(QString text);

// One cell of a template sheet: the index of its style in the style sheet and
// its text, or its formula.
struct TemplateCell {
    int style = 0;
    QString text;
    bool formula = false;
};

// What one worksheet of a template holds.
struct TemplatePage {
    QString name;
    std::vector<double> widths;                        // of the columns from A on
    std::map<int, double> heights;                     // by row
    std::map<int, std::map<int, TemplateCell>> cells;  // by row, by column
    QStringList merges;                                // "A1:C1"
};

// How the sheets of a template show and print: always on A4, as wide as the page.
struct SheetLayout {
    double defaultRowHeight;
    bool gridLines;
    QString margins;    // the attributes of pageMargins
    bool landscape;
    bool onePageHigh;   // also as high as one page
};

// The XML of a worksheet part; `first` marks the sheet selected when the workbook opens.
std::string worksheetXml(const TemplatePage& page, const SheetLayout& layout, bool first);
