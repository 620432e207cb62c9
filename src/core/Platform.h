#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The program folder, with a trailing "/": the folder where the program keeps
// its working files (the system data file, backups, "sumtable.qv", ...) and
// reads its templates and notes. Normally the folder of the executable.
QString programFolder();
// Tests run the program's routines against a folder of their own.
void setProgramFolder(const QString& folder);

// The folder of the executable, with a trailing "/": where the delivered
// files lie (the system data file, templates, notes).
QString deliveredFolder();
// The program folder of this user when the delivered folder is read-only (an
// installed program): "varnel-survey" in the user's data folder
// (~/.local/share/varnel-survey/, or $XDG_DATA_HOME/varnel-survey/).
QString perUserProgramFolder();
// Chooses the program folder at start. When the delivered folder is not
// writable, the per-user folder becomes the program folder: it is created and
// gets a copy of every delivered file (not the programs) it does not have yet,
// so a file the user already has is never replaced. Returns false, having
// shown the message, when that folder cannot be made.
bool settleProgramFolder();

// The folder for results files and reports: the environment variable TEMP when
// set, otherwise the system's temporary folder; "/" separators, no trailing "/".
QString tempFolder();

// The file name `prefix` + `part` + `suffix`, where `part` is text from the
// database (a label): the characters that Windows or a FAT stick cannot hold
// in a name (\ / : * ? " < > |) become "_", control characters are dropped,
// and the part is cut at a character boundary so that the name, with room
// left for `extension` (which the name gets later, such as ".xlsx"), fits
// the file system's 255 bytes, also while the file is being written under a
// temporary name 7 bytes longer.
QString fileNameWithPart(const QString& prefix, const QString& part, const QString& suffix, const QString& extension = {});


// The user's documents folder, created when missing.
QString documentsFolder();

// A per-user folder setting such as "Personal": the stored value when there is
// one, otherwise the documents folder.
QString userFolderSetting(const QString& name);

// Hands a file to the desktop's default application for its kind. When no
// program takes it, says where the file is ("没有找到能打开该文件的程序，文件保存在：…").
void openWithDefaultApplication(const QString& path);
// Replaces the opener (tests record what would be opened); an empty function restores it.
void setFileOpener(std::function<void(const QString&)> opener);

// The names of the input methods installed on this system that can take
// Chinese text (fcitx5, fcitx, ibus), in that order.
QStringList installedInputMethods();
