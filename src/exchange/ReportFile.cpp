#include "exchange/ReportFile.h"

#include "core/Platform.h"
#include "core/Progress.h"
#include "core/Prompt.h"
#include "exchange/ExchangeFile.h"
#include "exchange/ExportForReporting.h"

#include <QDate>
#include <QFile>

void WriteReportFile(db::Connection& working, const QString& destination, const QString& workingFile) {
    try {
        WritePlainReportText(working, workingFile);
        EncryptFileAes(workingFile, destination, DeriveReportKey());
    } catch (...) {
        QFile::remove(workingFile);
        throw;
    }
    QFile::remove(workingFile);
}

QString ExportReportFile(db::Connection& working) {
    if (!AllRecordsVerified(working, QStringLiteral("存在临时保存或逻辑错误的数据，不能导出上报数据!"))) return {};
    ui::FileDialogRequest request;
    request.title = QStringLiteral("导出文件存放为");
    request.folder = documentsFolder();
    request.filters = {QStringLiteral("dat文件(*.dat)")};
    request.fileName = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("(网络版)");
    const QString name = ui::prompter().chooseSaveFile(request).path.trimmed();
    if (name.isEmpty()) return {};
    QString destination = name, workingFile;
    if (name.size() < 5) {
        destination = name + QStringLiteral(".dat");
        workingFile = name + QStringLiteral("temp.dat");
    } else {
        if (!name.endsWith(QLatin1String(".dat"))) destination = name + QStringLiteral(".dat");
        workingFile = destination.left(destination.size() - 4) + QStringLiteral("temp.dat");
    }

    ui::ProgressSink& progress = ui::progress();
    progress.setCaption(QStringLiteral("导出上报数据...0%"));
    progress.start(1, 0);
    try {
        WriteReportFile(working, destination, workingFile);
    } catch (const std::exception& e) {
        progress.hide();
        ui::showRunError(QString::fromUtf8(e.what()), ui::contactTail());
        return {};
    }
    progress.step();
    progress.hide();
    ui::showMessage(QStringLiteral("导出上报数据成功"));
    return destination;
}
