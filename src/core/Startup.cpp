#include "core/Startup.h"

#include "core/Platform.h"
#include "core/Prompt.h"
#include "db/EncryptedImage.h"
#include "db/Statement.h"
#include "core/ExchangePassword.h"

#include <QFileInfo>

namespace {

const QString kNoDataFile = QStringLiteral("没有找到系统数据文件，请重新安装。");
const QString kBadInstall = QStringLiteral("软件安装不正确，请与软件提供者联系！");

} // namespace

WorkingDatabase& workingDatabase() {
    static WorkingDatabase working;
    return working;
}

QString readDatabaseLabel(db::Connection& connection) {
    db::Statement label(connection, QStringLiteral("select * from ct_label"));
    return label.next() ? label.text(label.columnIndex(QStringLiteral("db_name"))) : QString();
}

QString mainWindowTitle(const QString& label) {
    return QStringLiteral("2019年度全国Varnel--基层以上工会调查表（离线工具） - ") + label;
}

bool OpenSurveyDatabase(const QString& requestedPath) {
    WorkingDatabase& working = workingDatabase();
    working.connection.close();
    const QString path = requestedPath.isEmpty() ? programFolder() + systemDataFileName() : requestedPath;
    if (!QFileInfo(path).isFile()) {
        ui::showMessage(kNoDataFile);
        return false;
    }
    const QString password = DeriveExchangePassword();
    try {
        working.connection.open(path, db::Access::ReadWrite);
    } catch (const db::Error&) {
        // The file may still carry the password: take it off (this fails unless
        // the password opens the file) and open the file again plainly.
        try {
            db::sealed::removePassword(path, password);
            working.connection.open(path, db::Access::ReadWrite);
        } catch (const db::Error&) {
            ui::showMessage(QFileInfo(programFolder() + systemDataFileName()).isFile() ? kBadInstall : kNoDataFile);
            return false;
        }
    }
    working.path = path;
    try {
        working.label = readDatabaseLabel(working.connection);
    } catch (const db::Error&) {
        working.connection.close();
        ui::showMessage(kBadInstall);
        return false;
    }
    return true;
}

void reopenWorkingDatabase() {
    WorkingDatabase& working = workingDatabase();
    working.connection.open(working.path, db::Access::ReadWrite);
}
