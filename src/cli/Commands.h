#pragma once

#include <QStringList>

// The command-line companion: the desktop's operations on a database file,
// driven by arguments instead of dialogs.

// The exit statuses.
enum ExitStatus {
    kSuccess = 0,   // done
    kFailure = 1,   // the check found broken rules, a file was refused, or the operation failed
    kBadUsage = 2,  // a bad argument, a missing file, or a file that is not a survey database
};

// Runs the command line `arguments` (the program's name left out); the exit status.
int RunCommandLine(const QStringList& arguments);
