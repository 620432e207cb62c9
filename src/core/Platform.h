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
// The program folder of each user of an installed program: "varnel-survey"
// in the user's data folder (~/.local/share/varnel-survey/, or
// $XDG_DATA_HOME/varnel-survey/).
QString perUserProgramFolder();
// True when the program runs from its installed folder (/opt/varnel-survey/,
// also below another root) or from a folder the user cannot write.
bool runsInstalled();
// Brings the per-user program folder `folder` up to the delivered files of
// `delivered` (both with a trailing "/"), keeping a list of what it delivered
// with checksums: a missing file is copied, and a file the user has not
// changed since it was delivered is replaced when the delivered one differs.
// The system data file, the user's database, and a file the user changed are
// never replaced. False when the folder or a file cannot be written.
bool updateProgramFolder(const QString& delivered, const QString& folder);
// Chooses the program folder at start. An installed program, run by root
// too, works in the per-user folder, brought up to date first, so the
// delivered files stay as delivered. Returns false, having shown the message,
// when that folder cannot be made.
bool settleProgramFolder();

// The user guide "用户手册.md": where the package installs it, or else in
// the source tree of this build.
QString userGuidePath();

// The folder for results files and reports: the environment variable TEMP when
// set, otherwise the user's own folder "$XDG_RUNTIME_DIR/varnel-survey" or
// "/tmp/varnel-survey-<uid>" (mode 0700, made when missing); "/" separators,
// no trailing "/". Raises std::runtime_error when that folder cannot be made
// or is not the user's alone.
QString tempFolder();

// The file name `prefix` + `part` + `suffix`, where `part` is text from the
// database (a label): the characters that Windows or a FAT stick cannot hold
// in a name (\ / : * ? " < > |) become "_", control characters are dropped,
// and the part is cut at a character boundary so that the name, with room
// left for `extension` (which the name gets later, such as ".xlsx"), fits
// the file system's 255 bytes with 7 to spare.
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
