#include "support/TestSupport.h"

#ifdef SURVEY_GUI_TESTS
#include "widgets/ErrorGuard.h"
#else
#include <QCoreApplication>
#endif
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Settings, documents and TEMP point into a private folder: tests never
    // touch the user's own.
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir home;
    qputenv("TEMP", (home.path() + QStringLiteral("/temp")).toLocal8Bit());
    QDir().mkpath(home.path() + QStringLiteral("/temp"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path() + QStringLiteral("/settings"));
#ifdef SURVEY_GUI_TESTS
    // The real windows, drawn on no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    GuardedApplication application(argc, argv);
#else
    QCoreApplication application(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new test::RecordingPrompterEnvironment);
    return RUN_ALL_TESTS();
}
