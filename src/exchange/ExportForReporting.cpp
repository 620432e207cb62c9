#include "exchange/ExportForReporting.h"

#include "core/ExchangePassword.h"
#include "core/Platform.h"
#include "core/Prompt.h"
#include "core/Startup.h"
#include "db/Connection.h"
#include "db/Error.h"
#include "db/Maintenance.h"
#include "exchange/ExchangeFile.h"

#include <QDate>
#include <QFile>
#include <QTemporaryFile>

#include <filesystem>
#include <optional>

namespace {

const QString kDefaultLabel = QStringLiteral("默认数据库");
const QString kAlias = QStringLiteral("exchange");

// The label typed at the prompt; empty optional when the user cancelled.
std::optional<QString> askLabel(const QString& current) {
    QString label = current;
    while (true) {
        if (!ui::prompter().inputText(QStringLiteral("设置数据库标识"),
                                      QStringLiteral("请输入提供数据的单位的名称，长度不要超过200个汉字"), label))
            return std::nullopt;
        if (label != kDefaultLabel) return label;
        ui::showMessage(QStringLiteral("必须修改默认的名称！"));
    }
}

QString chooseDestination(const QString& label) {
    ui::FileDialogRequest request;
    request.title = QStringLiteral("导出文件存放为");
    request.folder = documentsFolder();
    request.filters = {QStringLiteral("数据加密文件(*.dat)")};
    // The label is the clerk's text: it may hold "/" or be longer than a file name may be.
    request.fileName = fileNameWithPart({}, label, u'-' + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("(离线版)"),
                                        QStringLiteral(".dat"));
    const QString chosen = ui::prompter().chooseSaveFile(request).path.trimmed();
    return chosen.isEmpty() ? QString() : CompleteSavedExchangeName(chosen);
}

} // namespace

bool AllRecordsVerified(db::Connection& working, const QString& refusal) {
    if (working.scalar(QStringLiteral("select count(*) as cnt from dt_data where RecordState<>1")).toLongLong() == 0)
        return true;
    ui::showMessage(refusal);
    return false;
}

void WriteExchangeFile(WorkingDatabase& working, const QString& label, const QString& destination) {
    if (isProgramDataFile(destination, working.path))
        throw std::runtime_error(QStringLiteral("文件“%1”正在使用，不能被覆盖").arg(destination).toStdString());
    // The file is built under a name of its own beside the destination and
    // renamed into place when complete: a failure leaves no half-written file,
    // and no other file of the folder is touched.
    QTemporaryFile placeholder(destination + QStringLiteral(".XXXXXX"));
    placeholder.setAutoRemove(false);
    if (!placeholder.open())
        throw std::runtime_error((QStringLiteral("无法写入文件“%1”：").arg(destination) + db::lastFileErrorText()).toStdString());
    const QString building = placeholder.fileName();
    placeholder.close();
    try {
        db::CopyFileWhole(programFolder() + QStringLiteral("view.dll"), building);
        db::Connection& connection = working.connection;
        connection.attach(building, kAlias, DeriveExchangePassword());
        try {
            QStringList columns;
            for (const QString& name : db::ColumnNames(connection, QStringLiteral("main"), QStringLiteral("dt_data")))
                columns << db::quoteIdentifier(name);
            db::Transaction transaction(connection);
            connection.execute(QStringLiteral("insert into %1.dt_data(%2) select %2 from main.dt_data where RecordState=1")
                                   .arg(kAlias, columns.join(u',')));
            connection.execute(QStringLiteral("update %1.ct_label set db_name=?").arg(kAlias), {label});
            transaction.commit();
        } catch (...) {
            try {
                connection.detach(kAlias);
            } catch (const db::Error&) {
                // The unfinished file is removed below; the first error is the one to report.
            }
            throw;
        }
        connection.detach(kAlias);  // writes the sealed file back
        TransformExchangeHeader(building);
        std::error_code failed;
        std::filesystem::rename(QFile::encodeName(building).toStdString(), QFile::encodeName(destination).toStdString(), failed);
        if (failed) throw std::runtime_error(QStringLiteral("无法写入文件“%1”").arg(destination).toStdString());
    } catch (...) {
        QFile::remove(building);
        throw;
    }
}

QString ExportForReporting(WorkingDatabase& working) {
    if (!AllRecordsVerified(working.connection, QStringLiteral("存在临时保存或逻辑错误的数据，不能上报!"))) return {};
    const std::optional<QString> label = askLabel(working.label);
    if (!label) return {};
    const QString destination = chooseDestination(*label);
    if (destination.isEmpty()) return {};
    if (isProgramDataFile(destination, working.path)) {
        ui::showMessage(QStringLiteral("不能导出到正在使用的数据库文件，请选择其它文件。"));
        return {};
    }
    try {
        WriteExchangeFile(working, *label, destination);
    } catch (const std::exception& e) {
        ui::showRunError(QString::fromUtf8(e.what()), ui::contactTail());
        return {};
    }
    ui::showMessage(QStringLiteral("数据已经被正确导出到：'") + destination + QStringLiteral("'！"));
    return destination;
}
