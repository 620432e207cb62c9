#pragma once

#include <QApplication>
#include <functional>

// Runs `work`. A database error or any other exception it raises is shown as
// "运行中发生错误：…" and the program goes on; false when that happened.
bool runShowingErrors(const std::function<void()>& work);

// The application object of the program: an exception that escapes an event
// handler is shown as a run error instead of ending the program.
class GuardedApplication final : public QApplication {
public:
    GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};
