#include "lists/TableExport.h"

#include "core/Platform.h"
#include "core/Progress.h"
#include "core/Prompt.h"
#include "core/Startup.h"
#include "db/Connection.h"
#include "db/RecordSet.h"
#include "db/Statement.h"
#include "workbook/SheetWriter.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <functional>

namespace {

const QString kErrorTail = QStringLiteral(",请与系统管理员或软件发行者联系。");

// The file the user names in the save dialog; empty when cancelled. The
// proposed name, made from the export name (which holds the database label),
// leaves room for the extension.
QString chooseExportFile(const QString& exportName, const QString& filter, const QString& extension) {
    ui::FileDialogRequest request;
    request.title = QStringLiteral("导出文件存放为");
    request.folder = documentsFolder();
    request.fileName = fileNameWithPart({}, exportName, u'-' + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")), extension);
    request.filters = {filter};
    return ui::prompter().chooseSaveFile(request).path.trimmed();
}

// Shows the share of `done` in `total` in the progress window's caption when it changes.
class ExportProgress {
public:
    explicit ExportProgress(qint64 total) : total_(total) { ui::StartProgress(int(total), 0); }
    ~ExportProgress() { ui::HideProgress(); }
    void step() {
        ++done_;
        ui::StepProgress();
        const int percent = int(done_ * 100 / total_);
        if (percent == shown_) return;
        shown_ = percent;
        ui::progress().setCaption(QStringLiteral("数据导出...%1%").arg(percent));
    }

private:
    qint64 total_;
    qint64 done_ = 0;
    int shown_ = -1;
};

// ---- the workbook ----

const QString kTextFormat = QStringLiteral("@");

QString columnFormat(db::FieldKind kind) {
    switch (kind) {
    case db::FieldKind::Text:
    case db::FieldKind::Boolean:
    case db::FieldKind::Blob: return kTextFormat;
    case db::FieldKind::Float: return QStringLiteral("￥#,##0.00;￥-#,##0.00");
    case db::FieldKind::Integer: return QStringLiteral("#,##0_ ");
    case db::FieldKind::Other: break;
    }
    return {};
}

// The value a cell of the workbook gets for a field of the current row.
QVariant cellValue(const db::RecordSet& query, int field) {
    const QVariant value = query.value(field);
    if (value.isNull()) return {};
    switch (query.fieldKind(field)) {
    case db::FieldKind::Boolean: return db::variantToBool(value) ? QStringLiteral("是") : QStringLiteral("不是");
    case db::FieldKind::Text:
    case db::FieldKind::Blob: return db::variantToText(value);
    default: break;
    }
    // A number kept as text: the spreadsheet shows it as the text it is.
    if (query.fieldName(field).compare(QLatin1String("cid"), Qt::CaseInsensitive) == 0) return db::variantToText(value);
    return value;
}

// ---- the database file ----

// The value bound for a field of the current row: an empty number is 0, an empty text "".
QVariant tableValue(const db::RecordSet& query, int field) {
    const QVariant value = query.value(field);
    if (!value.isNull()) return value;
    switch (query.fieldKind(field)) {
    case db::FieldKind::Integer:
    case db::FieldKind::Boolean: return qint64(0);
    case db::FieldKind::Float: return 0.0;
    case db::FieldKind::Text: return QString(QLatin1String(""));
    default: return value;
    }
}

} // namespace

QString ColumnTypeText(db::FieldKind kind) {
    switch (kind) {
    case db::FieldKind::Text: return QStringLiteral("VARCHAR(255)");
    case db::FieldKind::Integer: return QStringLiteral("INTEGER");
    case db::FieldKind::Float: return QStringLiteral("DOUBLE");
    case db::FieldKind::Boolean: return QStringLiteral("BIT");
    case db::FieldKind::Blob: return QStringLiteral("BLOB");
    case db::FieldKind::Other: break;
    }
    return {};
}

QString CompleteExportName(const QString& name, const QString& extension) {
    if (name.size() > 4 && !name.endsWith(extension, Qt::CaseInsensitive)) return name + extension;
    return name;
}

QString SheetNameFor(const QString& name) {
    QString sheetName = name;
    for (QChar& c : sheetName)
        if (QStringLiteral(":\\/?*[]").contains(c)) c = u'_';
    sheetName = sheetName.left(31);
    while (sheetName.startsWith(u'\'')) sheetName.remove(0, 1);
    while (sheetName.endsWith(u'\'')) sheetName.chop(1);
    return sheetName.isEmpty() ? QStringLiteral("Sheet1") : sheetName;
}

void WriteQueryWorkbook(db::RecordSet& query, const QString& exportName, const TFieldDataArray& columns,
                        const QString& path) {
    std::vector<int> fields;
    QVariantList titles;
    for (const TFieldData& column : columns) {
        if (!column.queryShow) continue;
        const int field = query.fieldIndex(column.showName);
        if (field < 0) throw db::Error(QStringLiteral("找不到字段：") + column.showName);
        fields.push_back(field);
        titles << column.title;
    }
    // The rows go straight to the file, so a query of any size fits in memory.
    workbook::SheetWriter sheet(SheetNameFor(exportName), std::max(2, int(fields.size())));
    for (size_t c = 0; c < fields.size(); ++c)
        if (const QString format = columnFormat(query.fieldKind(fields[c])); !format.isEmpty())
            sheet.setColumnNumberFormat(int(c) + 1, format);
    sheet.setFont({2, 1}, 12, true);
    sheet.setNumberFormat({2, 2}, kTextFormat);
    sheet.writeRow(2, {QStringLiteral("导出日期:"), QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat)});
    sheet.writeRow(3, titles);

    ExportProgress progress(query.rowCount());
    QVariantList values;
    int row = 5;
    for (query.first(); !query.atEnd(); query.next(), ++row) {
        progress.step();
        values.clear();
        for (const int field : fields) values << cellValue(query, field);
        sheet.writeRow(row, values);
    }
    sheet.save(path);
}

void WriteQueryTable(db::RecordSet& query, const QString& exportName, const QString& path) {
    const bool existed = QFileInfo::exists(path);
    if (!existed) db::Connection::createEmpty(path);
    try {
        db::Connection target;
        target.open(path);
        db::Transaction transaction(target);
        const QString table = db::quoteIdentifier(exportName);
        QStringList definitions, names;
        for (int f = 0; f < query.fieldCount(); ++f) {
            names << db::quoteIdentifier(query.fieldName(f));
            definitions << (names.last() + u' ' + ColumnTypeText(query.fieldKind(f))).trimmed();
        }
        target.execute(QStringLiteral("DROP TABLE IF EXISTS ") + table);
        target.execute(QStringLiteral("CREATE TABLE %1(%2)").arg(table, definitions.join(u',')));
        db::Statement insert(target, QStringLiteral("INSERT INTO %1 (%2) VALUES(%3)")
                                         .arg(table, names.join(u','), QStringList(names.size(), QStringLiteral("?")).join(u',')));
        ExportProgress progress(query.rowCount());
        for (query.first(); !query.atEnd(); query.next()) {
            for (int f = 0; f < query.fieldCount(); ++f) insert.bind(f + 1, tableValue(query, f));
            insert.run();
            progress.step();
        }
        transaction.commit();
    } catch (...) {
        if (!existed) QFile::remove(path);
        throw;
    }
}

namespace {

// The steps around writing a query to a file: the empty-query message, the
// save dialog, the completed name, a refusal of the program's own files, and
// the success message that `write` returns or the run error it raises.
void saveQuery(db::RecordSet& query, const QString& emptyMessage, const QString& exportName, const QString& filter,
               const QString& extension, const std::function<QString(const QString& path)>& write) {
    if (query.isEmpty()) {
        ui::showMessage(emptyMessage);
        return;
    }
    try {
        const QString chosen = chooseExportFile(exportName, filter, extension);
        if (chosen.isEmpty()) return;
        const QString path = CompleteExportName(chosen, extension);
        if (!refuseProgramDataFile(path, workingDatabase().path).isEmpty()) return;
        ui::showMessage(write(path));
    } catch (const std::exception& e) {
        ui::showRunError(QString::fromUtf8(e.what()), kErrorTail);
    }
}

} // namespace

void SaveQueryAsExcel(db::RecordSet& query, const QString& exportName, const TFieldDataArray& columns) {
    saveQuery(query, QStringLiteral("SaveQueryAsExcel出错:数据表为空，不能导出！"), exportName,
              QStringLiteral("Excel 文件(*.xlsx)"), QStringLiteral(".xlsx"), [&](const QString& path) {
                  WriteQueryWorkbook(query, exportName, columns, path);
                  return QStringLiteral("Excel文件已经正确导出到：'") + path;
              });
}

void SaveQueryAsAccess(db::RecordSet& query, const QString& exportName) {
    saveQuery(query, QStringLiteral("SaveQueryAsAccess:：出错:数据表为空，不能导出！"), exportName,
              QStringLiteral("Access文件(*.mdb)"), QStringLiteral(".mdb"), [&](const QString& path) {
                  WriteQueryTable(query, exportName, path);
                  return QStringLiteral("Access文件已经正确导出到：'") + path + QStringLiteral("'！");
              });
}
