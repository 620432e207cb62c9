#include "app/UserGuideForm.h"

#include "core/Platform.h"
#include "core/Prompt.h"

#include <QDialog>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

void ShowUserGuide(QWidget* parent) {
    const QString path = userGuidePath();
    if (!QFileInfo(path).isFile()) {
        ui::showMessage(QStringLiteral("没有找到用户手册“%1”，请重新安装。").arg(path));
        return;
    }
    auto* window = new QDialog(parent, Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QStringLiteral("用户手册"));
    window->resize(960, 720);
    auto* text = new QTextBrowser(window);
    text->setOpenExternalLinks(true);
    // The pictures lie beside the guide and are found from its address.
    text->setSource(QUrl::fromLocalFile(path), QTextDocument::MarkdownResource);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text);
    window->show();
}
