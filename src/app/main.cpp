#include "app/ErrorGuard.h"
#include "app/MainForm.h"
#include "app/QtTranslations.h"
#include "app/WidgetPrompter.h"

#include <QApplication>
#include <QFont>
#include <QScreen>

int main(int argc, char* argv[]) {
    GuardedApplication application(argc, argv);
    installQtChineseTexts(application);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QFont font(QStringLiteral("SimSun"), 9);
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("Noto Serif CJK SC"),
                      QStringLiteral("Noto Sans CJK SC")});
    application.setFont(font);
    WidgetPrompter prompter;
    ui::installPrompter(&prompter);

    TMainForm mainForm({});
    if (!mainForm.started()) return 1;
    // Without a window manager "maximised" means nothing, so the window takes the screen itself.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) mainForm.setGeometry(screen->availableGeometry());
    mainForm.showMaximized();
    const int result = application.exec();
    ui::installPrompter(nullptr);
    return result;
}
