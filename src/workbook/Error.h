#pragma once

#include <QString>
#include <stdexcept>

namespace workbook {

// Raised by every workbook operation that fails. The message is meant for the user.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

} // namespace workbook
