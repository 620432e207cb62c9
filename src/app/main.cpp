#include "widgets/ErrorGuard.h"
#include "app/MainForm.h"
#include "app/QtTranslations.h"
#include "app/WidgetPrompter.h"
#include "core/Platform.h"
#include "core/Settings.h"
#include "core/Startup.h"

#include <QApplication>
#include <QFont>
#include <QScreen>
#include <cstdio>

namespace {

// "--check-start": the start without windows, for checking an installation.
// Chooses the program folder, opens the working database, prints the program
// folder and ends; messages go to the standard error stream.
int checkStart() {
    if (!settleProgramFolder()) return 1;
    InitSettings(programApplicationName());
    if (!OpenSurveyDatabase()) return 1;
    std::printf("%s\n", programFolder().toLocal8Bit().constData());
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    GuardedApplication application(argc, argv);
    if (QApplication::arguments().contains(QStringLiteral("--check-start"))) return checkStart();
    installQtChineseTexts(application);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QFont font(QStringLiteral("SimSun"), 9);
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("Noto Serif CJK SC"),
                      QStringLiteral("Noto Sans CJK SC")});
    application.setFont(font);
    WidgetPrompter prompter;
    ui::installPrompter(&prompter);
    if (!settleProgramFolder()) return 1;

    TMainForm mainForm({});
    if (!mainForm.started()) return 1;
    // Without a window manager "maximised" means nothing, so the window takes the screen itself.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) mainForm.setGeometry(screen->availableGeometry());
    mainForm.showMaximized();
    const int result = application.exec();
    ui::installPrompter(nullptr);
    return result;
}
