#include "workbook/RecordPrint.h"

#include "app/Platform.h"
#include "app/Progress.h"
#include "app/Prompt.h"
#include "app/Startup.h"
#include "db/Statement.h"
#include "workbook/Workbook.h"

#include <QFile>
#include <optional>
#include <vector>

namespace {

const QString kTemplateFailure = QStringLiteral("打开汇总模版文件时发生错误，可能是没有安装MS Office或wps Office中的Excel");

// "<base>.xlsx" in `folder`, or "<base>(2).xlsx", ... when that file exists.
QString unusedPath(const QString& folder, const QString& base) {
    QString path = folder + QLatin1Char('/') + base + QStringLiteral(".xlsx");
    for (int n = 2; QFile::exists(path); ++n) path = folder + QStringLiteral("/%1(%2).xlsx").arg(base).arg(n);
    return path;
}

} // namespace

QString PrintRecord(qint64 code) {
    std::optional<workbook::Workbook> book;
    try {
        book = workbook::Workbook::open(programFolder() + printTemplateName());
    } catch (const workbook::Error&) {
        ui::showMessage(kTemplateFailure);
        return {};
    }
    try {
        db::Connection& connection = workingDatabase().connection;
        db::Statement record(connection, QStringLiteral("select * from view_data where c901=?"));
        record.bind(1, code);
        if (!record.next()) {
            ui::showMessage(QStringLiteral("没有找到统计编码为%1的记录。").arg(code));
            return {};
        }
        std::vector<int> pages;
        db::Statement pageList(connection, QStringLiteral(
            "select distinct printPageID from dt_fieldlist where pageid>=0 order by printPageID"));
        while (pageList.next()) pages.push_back(int(pageList.integer(0)));

        ui::StartProgress(int(pages.size()), 0);
        db::Statement fields(connection, QStringLiteral(
            "select printplace, FieldName from dt_fieldlist where pageid>=0 and printPageID=?"));
        for (const int page : pages) {
            workbook::Sheet sheet = book->sheet(page);
            fields.bind(1, page);
            while (fields.next())
                sheet.setValue(workbook::cellAt(fields.text(0)), record.value(record.columnIndex(fields.text(1))));
            fields.reset();
            ui::StepProgress();
        }
        ui::HideProgress();

        book->setActiveSheet(1);
        const QString path = unusedPath(documentsFolder(), QStringLiteral("2019打印表-%1").arg(code));
        book->save(path);
        openWithDefaultApplication(path);
        return path;
    } catch (const std::runtime_error& e) {  // a database or workbook error, with its message for the user
        ui::HideProgress();
        ui::showRunError(QString::fromStdString(e.what()), QStringLiteral(",请与软件发行者联系。"));
    }
    return {};
}
