#include "TemplateFile.h"

#include "workbook/Package.h"
#include "workbook/Workbook.h"

#include <set>

QString xmlEscaped(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&amp;"))
        .replace(QLatin1Char('<'), QStringLiteral("&lt;"))
        .replace(QLatin1Char('>'), QStringLiteral("&gt;"))
        .replace(QLatin1Char('"'), QStringLiteral("&quot;"));
}

void writeTemplateFile(const std::vector<TemplateSheet>& sheets, const std::string& styles, const QString& path) {
    workbook::Package package;
    QString types = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml\"/>"
        "<Override PartName=\"/xl/styles.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>");
    QString book = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<bookViews><workbookView activeTab=\"0\"/></bookViews><sheets>");
    QString relations = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rIdStyles\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>");
    for (size_t i = 0; i < sheets.size(); ++i) {
        const int n = int(i) + 1;
        package.setPart(QStringLiteral("xl/worksheets/sheet%1.xml").arg(n).toStdString(), sheets[i].worksheet);
        types += QStringLiteral("<Override PartName=\"/xl/worksheets/sheet%1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>").arg(n);
        book += QStringLiteral("<sheet name=\"%1\" sheetId=\"%2\" r:id=\"rId%2\"/>").arg(xmlEscaped(sheets[i].name)).arg(n);
        relations += QStringLiteral("<Relationship Id=\"rId%1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet%1.xml\"/>").arg(n);
    }
    package.setPart("[Content_Types].xml", (types + QStringLiteral("</Types>")).toStdString());
    package.setPart("_rels/.rels",
                    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/>"
                    "</Relationships>");
    package.setPart("xl/workbook.xml", (book + QStringLiteral("</sheets><calcPr calcId=\"191029\" fullCalcOnLoad=\"1\"/></workbook>")).toStdString());
    package.setPart("xl/_rels/workbook.xml.rels", (relations + QStringLiteral("</Relationships>")).toStdString());
    package.setPart("xl/styles.xml", styles);
    package.write(path);
}

std::string worksheetXml(const TemplatePage& page, const SheetLayout& layout, bool first) {
    QString xml = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<sheetPr><pageSetUpPr fitToPage=\"1\"/></sheetPr>");
    xml += QStringLiteral("<sheetViews><sheetView%1%2 workbookViewId=\"0\"/></sheetViews>")
               .arg(first ? QStringLiteral(" tabSelected=\"1\"") : QString(),
                    layout.gridLines ? QString() : QStringLiteral(" showGridLines=\"0\""));
    xml += QStringLiteral("<sheetFormatPr defaultRowHeight=\"%1\"/><cols>").arg(layout.defaultRowHeight);
    for (size_t c = 0; c < page.widths.size(); ++c)
        xml += QStringLiteral("<col min=\"%1\" max=\"%1\" width=\"%2\" customWidth=\"1\"/>").arg(c + 1).arg(page.widths[c]);
    xml += QStringLiteral("</cols><sheetData>");
    std::set<int> rows;
    for (const auto& [row, cells] : page.cells) rows.insert(row);
    for (const auto& [row, height] : page.heights) rows.insert(row);
    for (int row : rows) {
        xml += QStringLiteral("<row r=\"%1\"").arg(row);
        if (auto h = page.heights.find(row); h != page.heights.end())
            xml += QStringLiteral(" ht=\"%1\" customHeight=\"1\"").arg(h->second);
        xml += QLatin1Char('>');
        if (auto found = page.cells.find(row); found != page.cells.end())
            for (const auto& [column, cell] : found->second) {
                xml += QStringLiteral("<c r=\"%1\" s=\"%2\"").arg(workbook::cellName({row, column})).arg(cell.style);
                if (cell.text.isEmpty()) xml += QStringLiteral("/>");
                else if (cell.formula) xml += QStringLiteral("><f>%1</f></c>").arg(xmlEscaped(cell.text));
                else xml += QStringLiteral(" t=\"inlineStr\"><is><t xml:space=\"preserve\">%1</t></is></c>").arg(xmlEscaped(cell.text));
            }
        xml += QStringLiteral("</row>");
    }
    xml += QStringLiteral("</sheetData>");
    if (!page.merges.isEmpty()) {
        xml += QStringLiteral("<mergeCells count=\"%1\">").arg(page.merges.size());
        for (const QString& m : page.merges) xml += QStringLiteral("<mergeCell ref=\"%1\"/>").arg(m);
        xml += QStringLiteral("</mergeCells>");
    }
    xml += QStringLiteral("<printOptions horizontalCentered=\"1\"/><pageMargins %1/>"
                          "<pageSetup paperSize=\"9\" orientation=\"%2\" fitToWidth=\"1\" fitToHeight=\"%3\"/></worksheet>")
               .arg(layout.margins, layout.landscape ? QStringLiteral("landscape") : QStringLiteral("portrait"),
                    layout.onePageHigh ? QStringLiteral("1") : QStringLiteral("0"));
    return xml.toStdString();
}
