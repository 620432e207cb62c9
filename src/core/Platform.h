#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The program folder: the folder of the executable, with a trailing "/".
// Everything the program ships (the system data file, templates, notes) lies there.
QString programFolder();
// Tests run the program's routines against a folder of their own.
void setProgramFolder(const QString& folder);

// The folder for results files and reports: the environment variable TEMP when
// set, otherwise the system's temporary folder; "/" separators, no trailing "/".
QString tempFolder();

// The file name `prefix` + `part` + `suffix`, where `part` is text from the
// database (a label): path separators become "_", control characters are
// dropped, and the part is cut at a character boundary so that the name fits
// the file system's 255 bytes.
QString fileNameWithPart(const QString& prefix, const QString& part, const QString& suffix);

// The cause of a failed file operation, from the system's error number, in words a clerk can read.
QString systemErrorText(int errorNumber);

// The user's documents folder, created when missing.
QString documentsFolder();

// A per-user folder setting such as "Personal": the stored value when there is
// one, otherwise the documents folder.
QString userFolderSetting(const QString& name);

// Hands a file to the desktop's default application for its kind.
void openWithDefaultApplication(const QString& path);
// Replaces the opener (tests record what would be opened); an empty function restores it.
void setFileOpener(std::function<void(const QString&)> opener);

// The names of the input methods installed on this system that can take
// Chinese text (fcitx5, fcitx, ibus), in that order.
QStringList installedInputMethods();
