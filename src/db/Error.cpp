#include "db/Error.h"

#include <cerrno>
#include <sqlite3.h>

namespace db {

QString systemErrorText(int errorNumber) {
    switch (errorNumber) {
    case ENOSPC: return QStringLiteral("磁盘已满");
    case EDQUOT: return QStringLiteral("磁盘空间超出配额");
    case EFBIG: return QStringLiteral("文件超出允许的大小");
    case EACCES:
    case EPERM: return QStringLiteral("没有写入权限");
    case EROFS: return QStringLiteral("磁盘是只读的");
    case ENOENT: return QStringLiteral("文件或文件夹不存在");
    case ENAMETOOLONG: return QStringLiteral("文件名太长");
    case EIO: return QStringLiteral("磁盘读写错误");
    default: return QStringLiteral("系统错误（错误号%1）").arg(errorNumber);
    }
}

bool Error::isMachineFault() const {
    switch (engineCode_) {
    case SQLITE_FULL:
    case SQLITE_IOERR:
    case SQLITE_READONLY:
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_CANTOPEN:
    case SQLITE_NOMEM:
    case SQLITE_PERM: return true;
    default: return false;
    }
}

bool Error::isBusy() const { return engineCode_ == SQLITE_BUSY || engineCode_ == SQLITE_LOCKED; }

QString lastFileErrorText() { return errno ? systemErrorText(errno) : QStringLiteral("文件读写错误"); }

} // namespace db
