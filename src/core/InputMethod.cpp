#include "core/InputMethod.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

void startDetached(const QString& program, const QStringList& arguments) { QProcess::startDetached(program, arguments); }

ProgramRunner& runner() {
    static ProgramRunner current = startDetached;
    return current;
}

} // namespace

void SetProgramRunner(ProgramRunner replacement) { runner() = replacement ? std::move(replacement) : startDetached; }

void SwitchInputMethodOn(const QString& preferred) {
    const QString fcitx = QStandardPaths::findExecutable(QStringLiteral("fcitx5-remote"));
    if (!fcitx.isEmpty()) {
        runner()(fcitx, {QStringLiteral("-o")});
        return;
    }
    const QString ibus = QStandardPaths::findExecutable(QStringLiteral("ibus"));
    if (!ibus.isEmpty() && !preferred.isEmpty()) runner()(ibus, {QStringLiteral("engine"), preferred});
}
