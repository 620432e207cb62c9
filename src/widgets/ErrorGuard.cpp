#include "widgets/ErrorGuard.h"

#include "core/Prompt.h"

#include <exception>

bool runShowingErrors(const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (const std::exception& e) {
        ui::showRunError(QString::fromUtf8(e.what()));
    } catch (...) {
        ui::showRunError(QStringLiteral("未知错误"));
    }
    return false;
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    runShowingErrors([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
