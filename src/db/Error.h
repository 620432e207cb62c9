#pragma once

#include <QString>
#include <stdexcept>

struct sqlite3;

namespace db {

// Raised by every database operation that fails. The message is the one shown
// to the user after "运行中发生错误：".
class Error : public std::runtime_error {
public:
    // `engineCode`: the engine's primary result code when the engine failed, else 0.
    explicit Error(const QString& message, int engineCode = 0)
        : std::runtime_error(message.toStdString()), engineCode_(engineCode) {}
    QString message() const { return QString::fromStdString(what()); }
    // The machine, not the data, stopped the statement: a full disk, a read or
    // write error, a read-only file or folder, a lock held by another program.
    bool isMachineFault() const;
    // Another connection, of this program or another one, holds a lock on the file.
    bool isBusy() const;

private:
    int engineCode_;
};

// The cause of a failed file operation, from the system's error number, in words a clerk can read.
QString systemErrorText(int errorNumber);
// The cause of the file operation that just failed (the system's error number
// it left), in the same words; for the reads and writes of QFile and its kin.
QString lastFileErrorText();

// Raises the engine's last error on `db` as an Error, in words a clerk can read.
[[noreturn]] void raiseEngineError(sqlite3* db, const QString& context = {});

} // namespace db
