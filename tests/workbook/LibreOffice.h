#pragma once

#include <QString>
#include <QStringList>
#include <map>

// LibreOffice as an independent reader of the workbooks the program writes.
// Where it is not installed, the tests that need it are skipped.
namespace test {

bool libreOfficeInstalled();

// Opens `workbook` in LibreOffice and saves it as `extension` ("xlsx", "pdf")
// into `folder`; returns the new file's path (empty when LibreOffice failed).
QString convertedByLibreOffice(const QString& workbook, const QString& extension, const QString& folder);

// Every sheet of `workbook` as LibreOffice shows it, as rows of shown cell
// texts, by sheet name.
std::map<QString, std::vector<QStringList>> shownByLibreOffice(const QString& workbook, const QStringList& sheetNames,
                                                               const QString& folder);

} // namespace test

// Skips the test where LibreOffice is missing.
#define REQUIRE_LIBREOFFICE()                                                   \
    if (!test::libreOfficeInstalled()) GTEST_SKIP() << "LibreOffice is not installed"
