#include "workbook/BookData.h"

#include "core/Platform.h"

#include <QFile>
#include <QFileInfo>

namespace workbook {
namespace {

constexpr const char* kWorkbookType = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
constexpr const char* kSharedStringsType = "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";
constexpr const char* kRelationsNamespace = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

Error notAWorkbook(const QString& reason) { return Error(QStringLiteral("不是有效的工作簿文件：%1").arg(reason)); }

std::string folderOf(const std::string& part) {
    const size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

// The part a relationship target names, seen from the folder of its source.
std::string resolve(const std::string& folder, std::string_view target) {
    std::string path = target.starts_with('/') ? std::string(target.substr(1)) : folder + std::string(target);
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        const std::string segment = path.substr(start, end - start);
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string resolved;
    for (const std::string& s : segments) resolved += (resolved.empty() ? "" : "/") + s;
    return resolved;
}

std::string relationsPartOf(const std::string& part) {
    const size_t slash = part.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
    return folder + "_rels/" + part.substr(slash == std::string::npos ? 0 : slash + 1) + ".rels";
}

// The value of the relationship id attribute (r:id, whatever the prefix).
std::string_view relationIdOf(pugi::xml_node node) {
    for (pugi::xml_attribute a : node.attributes())
        if (endsWith(a.name(), ":id")) return a.value();
    return {};
}

pugi::xml_node relationOfType(const pugi::xml_document& relations, std::string_view type) {
    for (pugi::xml_node r : relations.document_element().children("Relationship"))
        if (endsWith(r.attribute("Type").value(), type)) return r;
    return {};
}

pugi::xml_node overrideOf(const pugi::xml_document& contentTypes, const std::string& part) {
    const std::string name = "/" + part;
    for (pugi::xml_node o : contentTypes.document_element().children("Override"))
        if (name == o.attribute("PartName").value()) return o;
    return {};
}

// Takes a part out of the package with its relationship and its content type.
void dropPart(BookData& d, pugi::xml_node relation) {
    const std::string part = resolve(folderOf(d.workbookPart), relation.attribute("Target").value());
    d.package.removePart(part);
    d.package.removePart(relationsPartOf(part));
    d.contentTypes.document_element().remove_child(overrideOf(d.contentTypes, part));
    d.relations.document_element().remove_child(relation);
}

std::string newRelationId(const pugi::xml_document& relations) {
    for (int n = 1;; ++n) {
        const std::string id = "rId" + std::to_string(n);
        bool taken = false;
        for (pugi::xml_node r : relations.document_element().children("Relationship")) taken = taken || id == r.attribute("Id").value();
        if (!taken) return id;
    }
}

void load(BookData& d) {
    if (!d.package.contains("[Content_Types].xml") || !d.package.contains("_rels/.rels"))
        throw notAWorkbook(QStringLiteral("缺少内容类型或关系部分"));
    parsePart(d.contentTypes, d.package.part("[Content_Types].xml"), "[Content_Types].xml");
    pugi::xml_document rootRelations;
    parsePart(rootRelations, d.package.part("_rels/.rels"), "_rels/.rels");
    const pugi::xml_node main = relationOfType(rootRelations, "/officeDocument");
    if (!main) throw notAWorkbook(QStringLiteral("没有工作簿部分"));
    d.workbookPart = resolve({}, main.attribute("Target").value());
    if (!d.package.contains(d.workbookPart)) throw notAWorkbook(QStringLiteral("没有工作簿部分"));
    parsePart(d.workbook, d.package.part(d.workbookPart), d.workbookPart);
    d.relationsPart = relationsPartOf(d.workbookPart);
    parsePart(d.relations, d.package.part(d.relationsPart), d.relationsPart);
    const std::string folder = folderOf(d.workbookPart);

    const pugi::xml_node styles = relationOfType(d.relations, "/styles");
    if (!styles) throw notAWorkbook(QStringLiteral("没有样式部分"));
    d.stylesPart = resolve(folder, styles.attribute("Target").value());
    d.styles = std::make_unique<StyleSheet>(d.package.part(d.stylesPart), d.stylesPart);

    // Texts move into the cells; a fresh table is written on saving.
    std::vector<std::string> sharedStrings;
    if (const pugi::xml_node strings = relationOfType(d.relations, "/sharedStrings")) {
        const std::string part = resolve(folder, strings.attribute("Target").value());
        pugi::xml_document table;
        parsePart(table, d.package.part(part), part);
        for (pugi::xml_node item : table.document_element().children("si")) sharedStrings.push_back(stringItemText(item));
        dropPart(d, strings);
    }
    // The calculation chain would no longer match the formulas once cells move.
    if (const pugi::xml_node chain = relationOfType(d.relations, "/calcChain")) dropPart(d, chain);

    ReadLimits limits;
    for (pugi::xml_node entry : d.workbook.document_element().child("sheets").children("sheet")) {
        const std::string_view id = relationIdOf(entry);
        pugi::xml_node relation = d.relations.document_element().find_child_by_attribute("Relationship", "Id", std::string(id).c_str());
        if (!relation) throw notAWorkbook(QStringLiteral("工作表“%1”没有内容").arg(QString::fromUtf8(entry.attribute("name").value())));
        if (!endsWith(relation.attribute("Type").value(), "/worksheet"))
            throw notAWorkbook(QStringLiteral("不支持图表工作表“%1”").arg(QString::fromUtf8(entry.attribute("name").value())));
        auto sheet = std::make_unique<SheetData>();
        sheet->name = QString::fromUtf8(entry.attribute("name").value());
        sheet->entry = entry;
        sheet->part = resolve(folder, relation.attribute("Target").value());
        sheet->load(d.package.part(sheet->part), sharedStrings, limits);
        d.sheets.push_back(std::move(sheet));
    }
    if (d.sheets.empty()) throw notAWorkbook(QStringLiteral("没有工作表"));
}

// The parts of a new workbook with one empty sheet.
Package blankPackage() {
    Package package;
    package.setPart("[Content_Types].xml", R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/></Types>)");
    package.setPart("_rels/.rels", R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)");
    package.setPart("xl/workbook.xml", R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><bookViews><workbookView activeTab="0"/></bookViews><sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets><calcPr calcId="191029"/></workbook>)");
    package.setPart("xl/_rels/workbook.xml.rels", R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/><Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/></Relationships>)");
    package.setPart("xl/worksheets/sheet1.xml", R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><dimension ref="A1"/><sheetViews><sheetView tabSelected="1" workbookViewId="0"/></sheetViews><sheetFormatPr defaultRowHeight="14.25"/><sheetData/><pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/></worksheet>)");
    package.setPart("xl/styles.xml", R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><fonts count="1"><font><sz val="11"/><name val="宋体"/><family val="3"/><charset val="134"/></font></fonts><fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills><borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders><cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs><cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs><cellStyles count="1"><cellStyle name="常规" xfId="0" builtinId="0"/></cellStyles></styleSheet>)");
    return package;
}

pugi::xml_node childAfter(pugi::xml_node parent, const char* name, std::initializer_list<std::string_view> before) {
    if (pugi::xml_node child = parent.child(name)) return child;
    pugi::xml_node last;
    for (pugi::xml_node c : parent.children())
        for (std::string_view b : before)
            if (b == c.name()) last = c;
    return last ? parent.insert_child_after(name, last) : parent.prepend_child(name);
}

} // namespace

Workbook::Workbook(std::unique_ptr<BookData> data) : d(std::move(data)) {}
Workbook::Workbook(Workbook&&) noexcept = default;
Workbook& Workbook::operator=(Workbook&&) noexcept = default;
Workbook::~Workbook() = default;

Workbook Workbook::open(const QString& path) {
    auto data = std::make_unique<BookData>();
    data->package = Package::read(path);
    try {
        load(*data);
    } catch (const Error& e) {
        throw Error(QStringLiteral("无法读取工作簿文件“%1”：%2").arg(QFileInfo(path).fileName(), e.message()));
    }
    return Workbook(std::move(data));
}

Workbook Workbook::blank() {
    auto data = std::make_unique<BookData>();
    data->package = blankPackage();
    load(*data);
    return Workbook(std::move(data));
}

int Workbook::sheetCount() const { return int(d->sheets.size()); }

Sheet Workbook::sheet(int n) {
    if (n < 1 || n > sheetCount()) throw Error(QStringLiteral("工作簿中没有第%1个工作表。").arg(n));
    return Sheet(d.get(), d->sheets[size_t(n - 1)].get());
}

void Workbook::deleteSheet(int n) {
    if (n < 1 || n > sheetCount()) throw Error(QStringLiteral("工作簿中没有第%1个工作表。").arg(n));
    if (sheetCount() == 1) throw Error(QStringLiteral("工作簿中至少要保留一个工作表。"));
    const int active = activeSheet();
    SheetData& sheet = *d->sheets[size_t(n - 1)];
    const std::string id(relationIdOf(sheet.entry));
    dropPart(*d, d->relations.document_element().find_child_by_attribute("Relationship", "Id", id.c_str()));
    sheet.entry.parent().remove_child(sheet.entry);
    d->sheets.erase(d->sheets.begin() + (n - 1));

    // Names that belong to a sheet count it by its position.
    pugi::xml_node names = d->workbook.document_element().child("definedNames");
    for (pugi::xml_node name = names.first_child(); name;) {
        pugi::xml_node next = name.next_sibling();
        if (pugi::xml_attribute local = name.attribute("localSheetId")) {
            if (local.as_int() == n - 1) names.remove_child(name);
            else if (local.as_int() > n - 1) local.set_value(local.as_int() - 1);
        }
        name = next;
    }
    if (names && !names.first_child()) names.parent().remove_child(names);
    d->workbook.document_element().child("bookViews").child("workbookView").remove_attribute("firstSheet");
    setActiveSheet(active > n ? active - 1 : std::min(active, sheetCount()));
}

void Workbook::setActiveSheet(int n) {
    if (n < 1 || n > sheetCount()) throw Error(QStringLiteral("工作簿中没有第%1个工作表。").arg(n));
    pugi::xml_node root = d->workbook.document_element();
    pugi::xml_node views = root.child("bookViews");
    if (!views) views = root.insert_child_before("bookViews", root.child("sheets"));
    pugi::xml_node view = views.child("workbookView");
    if (!view) view = views.append_child("workbookView");
    setAttribute(view, "activeTab", n - 1);
    for (size_t i = 0; i < d->sheets.size(); ++i)
        for (pugi::xml_node v : d->sheets[i]->xml.document_element().child("sheetViews").children("sheetView")) {
            v.remove_attribute("tabSelected");
            if (int(i) == n - 1) v.prepend_attribute("tabSelected").set_value("1");
        }
}

int Workbook::activeSheet() const {
    const int tab = d->workbook.document_element().child("bookViews").child("workbookView").attribute("activeTab").as_int();
    return std::clamp(tab + 1, 1, sheetCount());
}

void Workbook::save(const QString& path) {
    SharedStrings strings;
    for (const auto& sheet : d->sheets) d->package.setPart(sheet->part, sheet->save(strings));
    writeBook(*d, strings, path);
}

void writeBook(BookData& book, const SharedStrings& strings, const QString& path) {
    if (const pugi::xml_node old = relationOfType(book.relations, "/sharedStrings")) dropPart(book, old);
    if (!strings.empty()) {
        const std::string stringsPart = folderOf(book.workbookPart) + "sharedStrings.xml";
        book.package.setPart(stringsPart, strings.bytes());
        pugi::xml_node relation = book.relations.document_element().append_child("Relationship");
        relation.append_attribute("Id").set_value(newRelationId(book.relations).c_str());
        relation.append_attribute("Type").set_value((std::string(kRelationsNamespace) + "sharedStrings").c_str());
        relation.append_attribute("Target").set_value("sharedStrings.xml");
        pugi::xml_node stringsType = book.contentTypes.document_element().append_child("Override");
        stringsType.append_attribute("PartName").set_value(("/" + stringsPart).c_str());
        stringsType.append_attribute("ContentType").set_value(kSharedStringsType);
    }

    // A template becomes a plain workbook.
    pugi::xml_node type = overrideOf(book.contentTypes, book.workbookPart);
    if (!type) {
        type = book.contentTypes.document_element().append_child("Override");
        setAttribute(type, "PartName", ("/" + book.workbookPart).c_str());
    }
    setAttribute(type, "ContentType", kWorkbookType);

    // Formulas are saved without results; the application calculates them on opening.
    pugi::xml_node calculation = childAfter(book.workbook.document_element(), "calcPr",
                                            {"sheets", "functionGroups", "externalReferences", "definedNames"});
    setAttribute(calculation, "fullCalcOnLoad", "1");

    book.package.setPart(book.stylesPart, book.styles->bytes());
    book.package.setPart(book.workbookPart, serialize(book.workbook));
    book.package.setPart(book.relationsPart, serialize(book.relations));
    book.package.setPart("[Content_Types].xml", serialize(book.contentTypes));
    book.package.write(path);
}

QString showToUser(Workbook& book, const QString& prefix, const QString& part, const QString& suffix) {
    const auto pathWith = [&](const QString& ending) {
        return documentsFolder() + QLatin1Char('/') + fileNameWithPart(prefix, part, suffix, ending) + ending;
    };
    QString path = pathWith(QStringLiteral(".xlsx"));
    for (int n = 2; QFile::exists(path); ++n) path = pathWith(QStringLiteral("(%1).xlsx").arg(n));
    book.save(path);
    openWithDefaultApplication(path);
    return path;
}

} // namespace workbook
