#pragma once

#include <QString>
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
