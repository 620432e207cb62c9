// Benchmarks of the main window's record list on generated data, drawn on
// Qt's offscreen platform.
//
//   survey-gui-bench [records=50000] [runs=5]
//
// Times opening the main window (start-up with the record list), opening the
// result list of a search that matches every record, scrolling the list a
// screen at a time and sorting it on a title click, as medians of
// several runs, with the cost of stepping through every row of the list in the
// engine as the baseline of the same run; then the summary and the record
// list export with the desktop's progress windows against the same operations
// without a window.

#include "BenchPrompter.h"
#include "RecordGenerator.h"

#include "app/MainForm.h"
#include "core/Prompt.h"
#include "checks/BatchCheck.h"
#include "checks/CheckFindings.h"
#include "checks/CheckResultsForm.h"
#include "checks/MessageListWin.h"
#include "entry/NumericEdit.h"
#include "entry/SurveyDataForm.h"
#include "lists/QueryListForm.h"
#include "core/Platform.h"
#include "widgets/RecordGrid.h"
#include "core/Progress.h"
#include "core/Startup.h"
#include "db/Statement.h"
#include "lists/RecordListExport.h"
#include "summary/SummaryWorkbook.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// Answers every prompt at once, as a clerk who only clicks OK.
class QuietPrompter final : public ui::Prompter {
public:
    void inform(const QString&, const QString&, ui::MessageKind) override {}
    bool ask(const QString&, const QString&, ui::AskStyle) override { return false; }
    ui::FileDialogAnswer chooseSaveFile(const ui::FileDialogRequest&) override { return {}; }
    ui::FileDialogAnswer chooseOpenFile(const ui::FileDialogRequest&) override { return {}; }
    int askQuestion(const QString&, int) override { return ui::qaCancel; }
    int chooseFromMenu(const QStringList&, int, QPoint) override { return -1; }
    bool inputText(const QString&, const QString&, QString&) override { return false; }
};

double time(int runs, const std::function<void()>& setUp, const std::function<void()>& work) {
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) {
        setUp();
        const auto start = std::chrono::steady_clock::now();
        work();
        samples.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

void report(const char* what, double ms, double baseline) {
    std::printf("  %-50s %9.1f ms   %5.2f x baseline\n", what, ms, ms / baseline);
}

} // namespace

int main(int argc, char* argv[]) {
    // The offscreen platform warns about every window it cannot raise; the numbers are what count here.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtWarningMsg && type != QtInfoMsg && type != QtDebugMsg) std::fprintf(stderr, "%s\n", qUtf8Printable(text));
    });
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : 50000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;

    QTemporaryDir folder;
    setProgramFolder(folder.path());
    const QString path = programFolder() + systemDataFileName();
    if (!QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/") + systemDataFileName(), path)) {
        std::fprintf(stderr, "survey-gui-bench: no system data file beside the program\n");
        return 1;
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    {
        db::Connection connection;
        connection.open(path);
        generateRecords(connection, records);
    }
    std::printf("%d records; medians of %d runs:\n", records, runs);

    const double baseline = time(runs, [] {}, [&] {
        db::Connection connection;
        connection.open(path);
        db::Statement list(connection, QStringLiteral("SELECT\t* from view_data_all order by c901 asc"));
        while (list.next()) {
        }
    });
    std::printf("  %-50s %9.1f ms\n", "baseline: step through every row of the list", baseline);

    std::unique_ptr<TMainForm> form;
    const double mainWindow = time(runs, [&] { form.reset(); }, [&] {
        form = std::make_unique<TMainForm>(TMainForm::Options{false});
        form->resize(1400, 900);
        form->show();
        QApplication::processEvents();
    });
    report("open the main window with the record list", mainWindow, baseline);

    // A search that matches every record: its result list opened and drawn.
    std::unique_ptr<TdlgQueryListForm> resultList;
    const double searchResult = time(runs, [&] { resultList.reset(); }, [&] {
        resultList = std::make_unique<TdlgQueryListForm>(form->searchContext(), form.get());
        resultList->load(QStringLiteral("where c901>=0"));
        resultList->show();
        QApplication::processEvents();
    });
    report("open the result list of a search matching all", searchResult, baseline);
    std::printf("  %-50s %9lld rows %5.2f x opening the main window\n", "", resultList->result().rowCount(),
                searchResult / mainWindow);
    resultList.reset();

    RecordGridView* grid = form->recordGrid();
    QScrollBar* bar = grid->verticalScrollBar();
    report("scroll 20 screens down the list, drawing each", time(runs, [&] { bar->setValue(bar->maximum() / 3); }, [&] {
               for (int i = 0; i < 20; ++i) {
                   bar->setValue(bar->value() + bar->pageStep());
                   grid->viewport()->repaint();
               }
           }), baseline);
    report("jump to the end of the list and draw it", time(runs, [&] { bar->setValue(0); }, [&] {
               bar->setValue(bar->maximum());
               grid->viewport()->repaint();
           }), baseline);

    const int column = 9;  // an indicator column
    report("sort on a title click and draw the list", time(runs, [] {}, [&] {
               emit grid->horizontalHeader()->sectionClicked(column);
               grid->viewport()->repaint();
           }), baseline);

    // The long operations with the desktop's progress windows against the
    // same operations in the core, without a window.
    {
        QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/") + summary::summaryTemplateName(),
                    programFolder() + summary::summaryTemplateName());
        setFileOpener([](const QString& opened) { QFile::remove(opened); });
        db::Connection& connection = workingDatabase().connection;
        QList<int> all;
        for (int sheet = 1; sheet <= summary::kSummarySheetCount; ++sheet) all << sheet;
        const qint64 group = addHundredGroups(connection);
        ui::ProgressSink& bars = ui::twoLineProgress();
        for (const auto& [what, breakdown, id] : {std::tuple{"by level", summary::Breakdown::Level, qint64(0)},
                                                   std::tuple{"by 100 groups", summary::Breakdown::Grouping, group}}) {
            ui::installTwoLineProgress(nullptr);
            const double core = time(runs, [] {}, [&] {
                summary::RunSummary(connection, QStringLiteral("bench"), all, breakdown, id, ui::twoLineProgress());
            });
            ui::installTwoLineProgress(&bars);
            std::printf("  %-50s %9.1f ms\n", (QByteArray("core: summary of 23 tables ") + what).constData(), core);
            report((QByteArray("desktop: the same with its progress window")).constData(), time(runs, [] {}, [&] {
                       summary::RunSummary(connection, QStringLiteral("bench"), all, breakdown, id, ui::twoLineProgress());
                   }), core);
        }

        BenchPrompter prompter(folder.path() + QStringLiteral("/list.xlsx"));
        ui::installPrompter(&prompter);
        ListExportChoice choice;
        choice.tables = readExportTableList(QCoreApplication::applicationDirPath() + QStringLiteral("/") + exportTableFileName());
        ui::ProgressSink& window = ui::progress();
        ui::installProgress(nullptr);
        const double core = time(runs, [] {}, [&] { ExportRecordList(workingDatabase(), choice); });
        std::printf("  %-50s %9.1f ms\n", "core: record list export of every table", core);
        ui::installProgress(&window);
        report("desktop: the same with its progress window", time(runs, [] {}, [&] { ExportRecordList(workingDatabase(), choice); }),
               core);
        ui::installPrompter(nullptr);
        setFileOpener({});
    }

    // The window of the check's findings, opened on every finding of every record.
    {
        qputenv("TEMP", folder.path().toLocal8Bit());
        setFileOpener([](const QString&) {});
        QuietPrompter quiet;
        ui::installPrompter(&quiet);
        CheckFindings findings;
        const Outcome outcome = RunBatchCheck(workingDatabase(), allRecordsSql(), nullptr, &findings);
        TCheckResultsForm* results = form->checkResults();
        CheckFindings shown;
        report("open the check results window on every finding", time(runs, [&] {
                   results->hide();
                   shown = findings;
               }, [&] {
                   results->showCheck(std::move(shown), outcome.file);
                   QApplication::processEvents();
               }), baseline);
        std::printf("  %-50s %9zu records with %lld findings\n", "", findings.units().size(),
                    static_cast<long long>(findings.findingCount()));
        results->hide();
        ui::installPrompter(nullptr);
        setFileOpener({});
    }

    // The entry dialog on the same list: a clerk going through the returns.
    QuietPrompter quiet;
    ui::installPrompter(&quiet);
    TdlgSurveyDataForm* dialog = form->entryDialog();
    form->recordList().moveTo(records / 2);
    dialog->setAddMode(false);
    dialog->setRecordList(&form->recordList());
    dialog->prepareToShow();
    dialog->show();
    report("entry: move to the next record", time(runs, [] {}, [&] { dialog->moveTo(TdlgSurveyDataForm::Step::Next); }), baseline);
    report("entry: turn from page 3 to page 5 with their checks", time(runs, [&] {
               dialog->turnToPage(0);
               dialog->turnToPage(3);
           }, [&] { dialog->turnToPage(5); }), baseline);
    report("entry: the checks of all pages", time(runs, [] {}, [&] { dialog->CheckAllPages(); }), baseline);
    report("entry: re-run the record list", time(runs, [] {}, [&] { form->recordList().requery(QStringLiteral("c901")); }), baseline);
    report("entry: save with the checks of all pages", time(runs, [&] {
               dialog->numberField(QStringLiteral("z002"))->setValue(dialog->numberField(QStringLiteral("z002"))->value() + 1);
           }, [&] { dialog->saveRecord(); }), baseline);
    dialog->hide();
    ui::installPrompter(nullptr);
    form.reset();
    workingDatabase().connection.close();
    return 0;
}
