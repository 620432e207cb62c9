#include "app/MainForm.h"
#include "app/WidgetPrompter.h"

#include <QApplication>
#include <QFont>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    application.setFont(QFont(QStringLiteral("SimSun"), 9));
    WidgetPrompter prompter;
    ui::installPrompter(&prompter);

    TMainForm mainForm;
    if (!mainForm.started()) return 1;
    mainForm.showMaximized();
    const int result = application.exec();
    ui::installPrompter(nullptr);
    return result;
}
