#include "exchange/ExportForReporting.h"

#include "core/ExchangePassword.h"
#include "core/FieldRules.h"
#include "core/Platform.h"
#include "core/Prompt.h"
#include "core/Startup.h"
#include "db/Connection.h"
#include "db/Error.h"
#include "db/EncryptedImage.h"
#include "db/Maintenance.h"
#include "db/NewFile.h"
#include "exchange/ExchangeFile.h"

#include <QDate>

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
    if (working.scalar(QStringLiteral("select count(*) as cnt from dt_data where RecordState<>?"), {int(RecordState::Saved)}).toLongLong() == 0)
        return true;
    ui::showMessage(refusal);
    return false;
}

void WriteExchangeFile(WorkingDatabase& working, const QString& label, const QString& destination) {
    if (isProgramDataFile(destination, working.path))
        throw std::runtime_error(QStringLiteral("文件“%1”正在使用，不能被覆盖").arg(destination).toStdString());
    // The file is built in memory and written whole when complete: a failure
    // or a kill leaves no half-written file, and an existing one as it was.
    QByteArray file = db::sealed::readFile(programFolder() + QStringLiteral("view.dll"));
    db::Connection& connection = working.connection;
    const QString password = DeriveExchangePassword();
    connection.attachImage(file, kAlias, password);
    try {
        QStringList columns;
        for (const QString& name : db::ColumnNames(connection, QStringLiteral("main"), QStringLiteral("dt_data")))
            columns << db::quoteIdentifier(name);
        db::Transaction transaction(connection);
        connection.execute(QStringLiteral("insert into %1.dt_data(%2) select %2 from main.dt_data where RecordState=?")
                               .arg(kAlias, columns.join(u',')),
                           {int(RecordState::Saved)});
        connection.execute(QStringLiteral("update %1.ct_label set db_name=?").arg(kAlias), {label});
        transaction.commit();
    } catch (...) {
        try {
            connection.detachImage(kAlias);
        } catch (const db::Error&) {
            // The image is dropped with the connection; the first error is the one to report.
        }
        throw;
    }
    file = connection.detachImage(kAlias, password);
    TransformHeaderBytes(file);
    db::writeFileWhole(destination, file);
}

Outcome ExportForReporting(WorkingDatabase& working) {
    const QString unverified = QStringLiteral("存在临时保存或逻辑错误的数据，不能上报!");
    if (!AllRecordsVerified(working.connection, unverified)) return Outcome::refused(unverified);
    const std::optional<QString> label = askLabel(working.label);
    if (!label) return Outcome::declined();
    const QString destination = chooseDestination(*label);
    if (destination.isEmpty()) return Outcome::declined();
    if (const QString refusal = refuseProgramDataFile(destination, working.path); !refusal.isEmpty())
        return Outcome::refused(refusal);
    try {
        WriteExchangeFile(working, *label, destination);
    } catch (const std::exception& e) {
        ui::showRunError(QString::fromUtf8(e.what()), ui::contactTail());
        return Outcome::failed(QString::fromUtf8(e.what()));
    }
    ui::showMessage(QStringLiteral("数据已经被正确导出到：'") + destination + QStringLiteral("'！"));
    return Outcome::done(destination);
}
