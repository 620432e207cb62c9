#include "workbook/RecordPrint.h"

#include "core/Platform.h"
#include "core/Progress.h"
#include "core/Prompt.h"
#include "db/Statement.h"
#include "workbook/Workbook.h"

#include <optional>
#include <vector>

namespace {

const QString kTemplateFailure = QStringLiteral("打开汇总模版文件时发生错误，可能是没有安装MS Office或wps Office中的Excel");

} // namespace

QString PrintRecord(db::Connection& connection, qint64 code) {
    std::optional<workbook::Workbook> book;
    try {
        book = workbook::Workbook::open(programFolder() + printTemplateName());
    } catch (const workbook::Error&) {
        ui::showMessage(kTemplateFailure);
        return {};
    }
    try {
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
        return workbook::showToUser(*book, QStringLiteral("2019打印表-"), QString::number(code), {});
    } catch (const std::runtime_error& e) {  // a database or workbook error, with its message for the user
        ui::HideProgress();
        ui::showRunError(QString::fromStdString(e.what()), ui::contactTail());
    }
    return {};
}
