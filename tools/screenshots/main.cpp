// Pictures of the program's windows for the user guide, taken from the real
// windows on generated returns:
//
//   survey-screenshots FOLDER [records=2000]
//
// writes main-window.png, entry-dialog.png, summary.png and import.png into
// FOLDER. tools/make-screenshots runs it under a virtual display.

#include "RecordGenerator.h"

#include "app/MainForm.h"
#include "app/QtTranslations.h"
#include "app/WidgetPrompter.h"
#include "core/Platform.h"
#include "core/Startup.h"
#include "db/Connection.h"

#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {

// The desktop's own boxes, except that the import's file dialog picks the prepared files.
class PicturePrompter final : public ui::Prompter {
public:
    explicit PicturePrompter(QStringList importFiles) : importFiles_(std::move(importFiles)) {}
    void inform(const QString& text, const QString& title, ui::MessageKind kind) override { boxes_.inform(text, title, kind); }
    bool ask(const QString& text, const QString& title, ui::AskStyle style) override { return boxes_.ask(text, title, style); }
    ui::FileDialogAnswer chooseSaveFile(const ui::FileDialogRequest&) override { return {}; }
    ui::FileDialogAnswer chooseOpenFile(const ui::FileDialogRequest&) override { return {importFiles_.first(), 1, importFiles_}; }
    int askQuestion(const QString& text, int buttons) override { return boxes_.askQuestion(text, buttons); }
    int chooseFromMenu(const QStringList& captions, int checked, QPoint at) override {
        return boxes_.chooseFromMenu(captions, checked, at);
    }
    bool inputText(const QString& caption, const QString& prompt, QString& text) override {
        return boxes_.inputText(caption, prompt, text);
    }

private:
    WidgetPrompter boxes_;
    QStringList importFiles_;
};

// Copies the delivered files beside this program (not the programs) into `folder`.
void copyDeliveredFiles(const QString& folder) {
    const QString delivered = deliveredFolder();
    QDirIterator files(delivered, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QFileInfo file(files.next());
        if (file.isExecutable()) continue;
        const QString target = folder + QDir(delivered).relativeFilePath(file.filePath());
        QDir().mkpath(QFileInfo(target).path());
        QFile::copy(file.filePath(), target);
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    }
}

// A copy of the system data file with `records` generated returns under `label`.
void makeDatabase(const QString& path, const QString& label, int records, unsigned seed) {
    QFile::copy(deliveredFolder() + systemDataFileName(), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    db::Connection connection;
    connection.open(path);
    generateRecords(connection, records, seed);
    connection.execute(QStringLiteral("update ct_label set db_name=?"), {label});
}

// Runs `action` of the main window; the modal window it opens is pictured into `picture` and closed.
void pictureModalWindow(TMainForm& form, const char* action, const QString& picture) {
    QTimer::singleShot(700, [picture] {
        QWidget* window = QApplication::activeModalWidget();
        if (!window) {
            std::fprintf(stderr, "survey-screenshots: no window for %s\n", qUtf8Printable(picture));
            return;
        }
        window->grab().save(picture);
        window->close();
    });
    form.findChild<QAction*>(QString::fromLatin1(action))->trigger();
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: survey-screenshots FOLDER [records]\n");
        return 2;
    }
    const QString pictures = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QLatin1Char('/');
    const int records = argc > 2 ? std::atoi(argv[2]) : 2000;
    installQtChineseTexts(application);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QFont font(QStringLiteral("SimSun"), 9);
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    application.setFont(font);

    QTemporaryDir work;
    const QString folder = work.path() + QLatin1Char('/');
    copyDeliveredFiles(folder);
    QFile::remove(folder + systemDataFileName());
    makeDatabase(folder + systemDataFileName(), QStringLiteral("某市总工会"), records, 2019);
    // Two backup files of the offices below, for the import.
    const QString east = folder + QStringLiteral("东县总工会.mdb"), west = folder + QStringLiteral("西县总工会.mdb");
    makeDatabase(east, QStringLiteral("东县总工会"), records / 10, 2020);
    makeDatabase(west, QStringLiteral("西县总工会"), records / 20, 2021);
    setProgramFolder(folder);
    PicturePrompter prompter({east, west});
    ui::installPrompter(&prompter);

    TMainForm form(TMainForm::Options{false});
    if (!form.started()) return 1;
    form.resize(1280, 800);
    form.show();
    QApplication::processEvents();
    form.grab().save(pictures + QStringLiteral("main-window.png"));
    pictureModalWindow(form, "actModify", pictures + QStringLiteral("entry-dialog.png"));
    pictureModalWindow(form, "actSum", pictures + QStringLiteral("summary.png"));
    pictureModalWindow(form, "actFastImport", pictures + QStringLiteral("import.png"));
    ui::installPrompter(nullptr);
    closeWorkingDatabase();
    return 0;
}
