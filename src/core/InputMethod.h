#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Switching the desktop's input method on for fields that take Chinese text.

// Starts a program with its arguments and does not wait for it.
using ProgramRunner = std::function<void(const QString& program, const QStringList& arguments)>;

// Replaces the way programs are started (tests watch the calls); an empty
// runner restores the detached start.
void SetProgramRunner(ProgramRunner runner);

// Switches the input method on where the desktop has a command for it:
// "fcitx5-remote -o" under Fcitx 5, otherwise "ibus engine <preferred>" under
// IBus when a preferred input method is set. Without either nothing happens.
void SwitchInputMethodOn(const QString& preferred);
