#include "exchange/ReportFile.h"

#include "core/Platform.h"
#include "core/Progress.h"
#include "core/Startup.h"
#include "core/Prompt.h"
#include "exchange/ExchangeFile.h"
#include "exchange/ExportForReporting.h"

#include <QDate>

void WriteReportFile(db::Connection& working, const QString& destination) {
    EncryptFileAes(PlainReportText(working), destination, DeriveReportKey());
}

Outcome ExportReportFile(db::Connection& working) {
    const QString unverified = QStringLiteral("存在临时保存或逻辑错误的数据，不能导出上报数据!");
    if (!AllRecordsVerified(working, unverified)) return Outcome::refused(unverified);
    ui::FileDialogRequest request;
    request.title = QStringLiteral("导出文件存放为");
    request.folder = documentsFolder();
    request.filters = {QStringLiteral("dat文件(*.dat)")};
    request.fileName = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("(网络版)");
    const QString name = ui::prompter().chooseSaveFile(request).path.trimmed();
    if (name.isEmpty()) return Outcome::declined();
    const QString destination = CompleteSavedExchangeName(name);
    if (const QString refusal = refuseProgramDataFile(destination, working.path()); !refusal.isEmpty())
        return Outcome::refused(refusal);
    ui::ProgressSink& progress = ui::progress();
    progress.setCaption(QStringLiteral("导出上报数据...0%"));
    progress.start(1, 0);
    try {
        WriteReportFile(working, destination);
    } catch (const std::exception& e) {
        progress.hide();
        ui::showRunError(QString::fromUtf8(e.what()), ui::contactTail());
        return Outcome::failed(QString::fromUtf8(e.what()));
    }
    progress.step();
    progress.hide();
    ui::showMessage(QStringLiteral("导出上报数据成功"));
    return Outcome::done(destination);
}
