#include "widgets/ErrorGuard.h"
#include "app/MainForm.h"
#include "app/QtTranslations.h"
#include "app/WidgetPrompter.h"
#include "core/Platform.h"
#include "core/Settings.h"
#include "core/Startup.h"
#include "core/Version.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QIcon>
#include <QScreen>
#include <cstdio>
#include <cstring>

namespace {

const char kHelp[] =
    "用法：varnel-survey [选项]\n"
    "\n"
    "基层以上工会调查表（离线工具）：录入、审核、汇总、打印和上报基层以上工会调查表。\n"
    "安装后的程序使用每个用户自己的程序文件夹 ~/.local/share/varnel-survey/（或 $XDG_DATA_HOME/varnel-survey/）。\n"
    "命令行程序 varnel-survey-cli 不用窗口完成同样的工作。\n"
    "\n"
    "选项：\n"
    "  --check-start  不打开窗口：打开工作数据库，显示程序文件夹后结束（数据库打开时退出状态为0）\n"
    "  --version      显示程序的版本（构建号）后结束\n"
    "  --help, -h     显示本帮助后结束\n";

void print(std::FILE* stream, const QString& text) {
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

// "--check-start": the start without windows, for checking an installation.
// Chooses the program folder, opens the working database, prints the program
// folder and ends; messages go to the standard error stream.
int checkStart() {
    if (!settleProgramFolder()) return 1;
    InitSettings(programApplicationName());
    if (!OpenSurveyDatabase()) return 1;
    print(stdout, programFolder() + u'\n');
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    // Help and version need no display, so they come before the application.
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            print(stdout, QString::fromUtf8(kHelp));
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            print(stdout, commandVersionText(QStringLiteral("varnel-survey")) + u'\n');
            return 0;
        }
    }
    GuardedApplication application(argc, argv);
    // What is left once Qt took its own options (-platform, -display, ...).
    bool checkOnly = false;
    for (const QString& argument : QApplication::arguments().mid(1)) {
        if (argument != QLatin1String("--check-start")) {
            print(stderr, QStringLiteral("未知的选项“%1”。\n用 varnel-survey --help 查看用法。\n").arg(argument));
            return 2;
        }
        checkOnly = true;
    }
    if (checkOnly) return checkStart();
    // The task bar finds the menu entry by the window class, the icon in the program.
    QGuiApplication::setDesktopFileName(QStringLiteral("varnel-survey"));
    QIcon icon;
    for (const QString& size : QDir(QStringLiteral(":/icons")).entryList())
        icon.addFile(QStringLiteral(":/icons/%1/varnel-survey.png").arg(size));
    QApplication::setWindowIcon(icon);
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
