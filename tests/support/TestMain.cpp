#include "support/TestSupport.h"

#include <QCoreApplication>
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
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new test::RecordingPrompterEnvironment);
    return RUN_ALL_TESTS();
}
