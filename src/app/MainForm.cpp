#include "app/MainForm.h"

#include "app/AboutForm.h"
#include "app/AutoBackupForm.h"
#include "app/CommandIcons.h"
#include "widgets/ErrorGuard.h"
#include "core/AutoBackup.h"
#include "core/FieldData.h"
#include "app/GroupBar.h"
#include "app/OptionSetupForm.h"
#include "core/Platform.h"
#include "app/ProgressBar.h"
#include "core/Prompt.h"
#include "widgets/RecordGrid.h"
#include "core/Settings.h"
#include "core/Startup.h"
#include "core/Version.h"
#include "checks/CheckForm.h"
#include "checks/CheckResultsForm.h"
#include "core/RecordStateCounts.h"
#include "db/Maintenance.h"
#include "entry/SurveyDataForm.h"
#include "exchange/ExportForReporting.h"
#include "exchange/ImportExchangeFile.h"
#include "exchange/ReportFile.h"
#include "exchange/UpdateImport.h"
#include "lists/SearchForm.h"
#include "lists/DeleteForm.h"
#include "lists/LocateForm.h"
#include "lists/ShowForm.h"
#include "lists/SaveListForm.h"
#include "summary/GroupListForm.h"
#include "summary/SumForm.h"
#include "workbook/RecordPrint.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScopeGuard>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QWheelEvent>

namespace {

const QString kRecordListSql = recordListSql();
const QString kKeyField = QStringLiteral("c901");

// A turn of the mouse wheel anywhere in the program moves like one press of
// the up or down arrow key.
class WheelToArrowKeys final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Wheel) return false;
        // A window that handles the wheel itself (the entry dialog) keeps it.
        const QWidget* focus = QApplication::focusWidget();
        if (focus && focus->window()->property("handlesWheel").toBool()) return false;
        const int key = static_cast<QWheelEvent*>(event)->angleDelta().y() <= 0 ? Qt::Key_Down : Qt::Key_Up;
        QObject* target = QApplication::focusWidget() ? QApplication::focusWidget() : watched;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
        return true;
    }
};

} // namespace

TMainForm::TMainForm(Options options, QWidget* parent) : QMainWindow(parent) {
    InitSettings(programApplicationName());
    if (!OpenSurveyDatabase()) return;
    setWindowTitle(mainWindowTitle(workingDatabase().label));
    const QString appKey = applicationKey();
    WriteSettingInteger(QStringLiteral("ShowGrid"), 1, SettingsRoot::LocalMachine, appKey);
    gridVisible_ = ReadSettingInteger(QStringLiteral("ShowGrid"), 0, SettingsRoot::LocalMachine, appKey) == 1;

    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, QColor(193, 216, 249));
    setPalette(windowPalette);

    grid_ = new RecordGridView(this);
    grid_->setVisible(gridVisible_);
    grid_->setContextMenuPolicy(Qt::ActionsContextMenu);
    groupBar_ = new GroupBar(this);
    groupBar_->setFixedWidth(108);
    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(groupBar_);
    row->addWidget(grid_, 1);
    setCentralWidget(central);

    buildMenus();
    buildGroupBar();

    connect(grid_, &RecordGridView::enterReleased, this, [this] { run(action(QStringLiteral("actModify"))); });
    connect(grid_, &RecordGridView::doubleClicked, this, [this] { run(action(QStringLiteral("actModify"))); });
    connect(grid_, &RecordGridView::insertReleased, this, [this] { run(action(QStringLiteral("actAddNew"))); });
    connect(grid_, &RecordGridView::deleteReleased, this, [this] { run(action(QStringLiteral("actDelete"))); });
    connect(grid_, &RecordGridView::listRerun, this, &TMainForm::updateActions);
    auto* locate = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(locate, &QShortcut::activated, this, [this] {
        if (action(QStringLiteral("actLocate"))->isEnabled()) action(QStringLiteral("actLocate"))->trigger();
    });
    auto* find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    connect(find, &QShortcut::activated, this, [this] {
        if (action(QStringLiteral("actLocate"))->isEnabled()) run(action(QStringLiteral("actConditionSearch")));
    });

    versionPane_ = new QLabel(statusVersionText(ReadVersionInfo()), this);
    countsPane_ = new QLabel(this);
    countsPane_->setObjectName(QStringLiteral("RecordCounts"));
    datePane_ = new QLabel(QDate::currentDate().toString(QStringLiteral("yyyy年MM月dd日")), this);
    datePane_->setFixedWidth(104);
    datePane_->setAlignment(Qt::AlignCenter);
    statusBar()->addWidget(versionPane_, 1);
    statusBar()->addPermanentWidget(countsPane_);
    statusBar()->addPermanentWidget(datePane_);
    connect(&workingDatabase(), &WorkingDatabase::recordsChanged, this, &TMainForm::showRecordCounts);

    BuildRecordGrid();

    progress_ = new TProgressBarForm(this);
    progress2_ = new TProgressBar2LineForm(this);
    entryDialog_ = new TdlgSurveyDataForm(workingDatabase().connection, this);
    entryDialog_->setPrinter([](qint64 code) { PrintRecord(workingDatabase().connection, code); });
    checkResults_ = new TCheckResultsForm(workingDatabase(), entryDialog_, this);
    wire(action(QStringLiteral("actCheckResults")), [this] { checkResults_->showLastCheck(); });
    wire(action(QStringLiteral("actAddNew")), [this] { actAddNewExecute(); });
    wire(action(QStringLiteral("actModify")), [this] { actModifyExecute(); });
    wire(action(QStringLiteral("actPrint")), [this] {
        if (!recordList_.isEmpty() && !recordList_.atEnd()) PrintRecord(workingDatabase().connection, recordList_.integer(kKeyField));
    });
    wire(action(QStringLiteral("actCompress")), [this] { actCompressExecute(); });
    wire(action(QStringLiteral("actBackup")), [this] { actBackupExecute(); });
    wire(action(QStringLiteral("actOptions")), [this] { actOptionsExecute(); });
    wire(action(QStringLiteral("actAbout")), [this] { actAboutExecute(); });
    wire(action(QStringLiteral("actExit")), [this] { close(); });
    wire(action(QStringLiteral("actCheckSelected")), [this] { CheckSelectedRecords(checkTarget()); });
    wire(action(QStringLiteral("actCheck")), [this] { ShowCheckDialog(checkTarget(), this); });
    wire(action(QStringLiteral("actGroup")), [this] { ShowGroupListDialog(workingDatabase().connection, this); });
    wire(action(QStringLiteral("actSum")), [this] { ShowSumDialog(workingDatabase().connection, workingDatabase().label, this); });
    wire(action(QStringLiteral("actExport")), [] { ExportForReporting(workingDatabase()); });
    wire(action(QStringLiteral("actReportFile")), [] { ExportReportFile(workingDatabase().connection); });
    wire(action(QStringLiteral("actSearch")), [this] { TdlgSearchForm(searchContext(), this).exec(); });
    wire(action(QStringLiteral("actConditionSearch")), [this] { TdlgDataSearchForm(searchContext(), this).exec(); });
    wire(action(QStringLiteral("actSaveList")), [this] { ShowSaveListDialog(workingDatabase(), this); });
    wire(action(QStringLiteral("actFastImport")), [] { ImportExchangeFile(workingDatabase(), QStringLiteral("dt_data")); });
    wire(action(QStringLiteral("actUpdateImport")), [] { UpdateImportFiles(workingDatabase()); });
    wire(action(QStringLiteral("actRestoreBackup")), [this] {
        TdlgAutoBackupForm dialog(workingDatabase(), this);
        dialog.exec();
    });
    wire(action(QStringLiteral("actLocate")), [this] {
        TdlgLocateForm dialog(workingDatabase().connection, recordList_, *grid_, this);
        dialog.exec();
    });
    wire(action(QStringLiteral("actDelete")), [this] {
        TdlgDeleteForm dialog(workingDatabase(), recordList_, *grid_, this);
        dialog.exec();
    });
    wire(action(QStringLiteral("actRecordGrid")), [this] {
        TdlgShowForm dialog(workingDatabase().connection, [this] { BuildRecordGrid(); }, this);
        dialog.exec();
    });
    // Whatever command added, changed or removed records, or put another
    // database file in place, the title and the list show them anew.
    connect(&workingDatabase(), &WorkingDatabase::recordsChanged, this, [this] {
        setWindowTitle(mainWindowTitle(workingDatabase().label));
        // The open entry dialog has just re-read the list it moves through; when
        // that is this list, the grid follows once the dialog closes.
        if (entryDialog_->isVisible() && entryDialog_->recordList() == &recordList_) return;
        runShowingErrors([this] {
            if (recordList_.isOpen()) requeryRecordList();
            else if (workingDatabase().connection.isOpen()) openRecordList();
        });
    });
    ui::installProgress(progress_);
    ui::installTwoLineProgress(progress2_);
    qApp->installEventFilter(new WheelToArrowKeys(this));

    if (options.splash) {
        TdlgAboutForm splash;
        splash.startProgress();
        splash.exec();
    }
    started_ = true;
}

TMainForm::~TMainForm() {
    ui::installProgress(nullptr);
    ui::installTwoLineProgress(nullptr);
    recordList_.close();
}

QAction* TMainForm::makeAction(const QString& name, const QString& caption, int picture, bool needsRows) {
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    if (picture >= 0) a->setIcon(commandIcon(CommandPicture(picture)));
    a->setEnabled(false);
    needsRows_[a] = needsRows;
    connect(a, &QAction::triggered, this, [this, a] { run(a); });
    return a;
}

void TMainForm::buildMenus() {
    using P = CommandPicture;
    struct CommandEntry {
        const char* name;
        const char16_t* caption;
        int picture;
        bool needsRows;
    };
    const CommandEntry entries[] = {
        {"actAddNew", u"添加新记录", int(P::Add), false},
        {"actModify", u"修改选中的记录", int(P::Modify), true},
        {"actDelete", u"删除记录", int(P::Delete), true},
        {"actLocate", u"按条件查找定位数据", -1, true},
        {"actSearch", u"按编号范围查找数据", -1, true},
        {"actConditionSearch", u"指标查询", int(P::Search), false},
        {"actCheckSelected", u"检查选中数据的逻辑", -1, false},
        {"actCheck", u"检查数据的逻辑", int(P::Check), false},
        {"actCheckResults", u"逻辑检查结果", -1, false},
        {"actSum", u"数据汇总", int(P::Sum), false},
        {"actGroup", u"数据分组", int(P::Group), false},
        {"actSaveList", u"导出数据列表", int(P::ExportList), false},
        {"actPrint", u"打印选中记录的年报表", int(P::Print), true},
        {"actFastImport", u"数据导入", int(P::Import), false},
        {"actUpdateImport", u"更新导入", int(P::Import), false},
        {"actBackup", u"数据备份", int(P::Backup), false},
        {"actRestoreBackup", u"从自动备份恢复", int(P::Backup), false},
        {"actExport", u"上报到离线版", int(P::ReportOffline), false},
        {"actReportFile", u"上报到网络版", int(P::ReportOnline), false},
        {"actCompress", u"压缩数据库文件", int(P::Compress), false},
        {"actOptions", u"参数设置", int(P::Options), false},
        {"actRecordGrid", u"自定义列表显示", int(P::Columns), false},
        {"actAbout", u"关于", -1, false},
        {"actExit", u"退出", -1, false},
    };
    for (const CommandEntry& s : entries)
        makeAction(QString::fromLatin1(s.name), QString::fromUtf16(s.caption), s.picture, s.needsRows);

    auto add = [this](QMenu* menu, std::initializer_list<const char*> names) {
        for (const char* name : names) {
            if (*name) menu->addAction(action(QString::fromLatin1(name)));
            else menu->addSeparator();
        }
    };
    QMenuBar* bar = menuBar();
    add(bar->addMenu(QStringLiteral("数据记录")), {"actAddNew", "actModify", "actDelete", "actPrint"});
    add(bar->addMenu(QStringLiteral("查找")), {"actLocate", "actSearch"});
    add(bar->addMenu(QStringLiteral("逻辑检查")), {"actCheckSelected", "actCheck", "actCheckResults"});
    add(bar->addMenu(QStringLiteral("数据处理")), {"actGroup", "actSum"});
    add(bar->addMenu(QStringLiteral("备份与上报")),
        {"actFastImport", "actUpdateImport", "", "actBackup", "actRestoreBackup", "", "actExport", "actReportFile"});
    add(bar->addMenu(QStringLiteral("工具")), {"actOptions", "actCompress", "actRecordGrid"});
    bar->addAction(action(QStringLiteral("actAbout")));
    bar->addAction(action(QStringLiteral("actExit")));

    // The grid's context menu, top to bottom, with separators where the groups change.
    for (const char* name : {"actAddNew", "actModify", "actDelete", "", "actLocate", "actSearch", "", "actCheckSelected",
                             "", "actRecordGrid", "actPrint"}) {
        if (*name) {
            grid_->addAction(action(QString::fromLatin1(name)));
        } else {
            auto* separator = new QAction(grid_);
            separator->setSeparator(true);
            grid_->addAction(separator);
        }
    }
}

void TMainForm::buildGroupBar() {
    auto list = [this](std::initializer_list<const char*> names) {
        QList<QAction*> actions;
        for (const char* name : names) actions << action(QString::fromLatin1(name));
        return actions;
    };
    groupBar_->addGroup(QStringLiteral("数据操作"),
                        list({"actAddNew", "actModify", "actDelete", "actCheck", "actConditionSearch", "actSum",
                              "actGroup", "actSaveList", "actPrint"}));
    groupBar_->addGroup(QStringLiteral("备份与上报"), list({"actFastImport", "actUpdateImport", "actBackup", "actRestoreBackup", "actExport", "actReportFile"}));
    groupBar_->addGroup(QStringLiteral("系统工具"), list({"actCompress", "actOptions", "actRecordGrid"}));
}

QAction* TMainForm::action(const QString& name) const { return findChild<QAction*>(name, Qt::FindDirectChildrenOnly); }

void TMainForm::wire(QAction* a, std::function<void()> runIt) {
    handlers_[a] = std::move(runIt);
    updateActions();
}

void TMainForm::run(QAction* a) {
    // Reached by a key or a double click, modifying does nothing on an empty list.
    if (a->objectName() == QLatin1String("actModify") && (recordList_.isEmpty() || !recordList_.isOpen())) return;
    const auto it = handlers_.find(a);
    // A command that fails says why; the program goes on.
    if (it != handlers_.end()) runShowingErrors(it->second);
}

void TMainForm::updateActions() {
    const bool hasRows = recordList_.isOpen() && !recordList_.isEmpty();
    for (auto& [a, needsRows] : needsRows_) {
        bool enabled = !needsRows || hasRows;
        if (a->objectName() == QLatin1String("actRecordGrid")) enabled = enabled && gridVisible_;
        a->setEnabled(enabled);
    }
}

void TMainForm::BuildRecordGrid() {
    const TFieldDataArray fields = LoadFieldDataArray(workingDatabase().connection);
    if (!fields.empty()) grid_->build(fields);
    recordList_.openKeyed(workingDatabase().connection, kRecordListSql, kKeyField);
    grid_->attach(gridVisible_ ? &recordList_ : nullptr);
    updateActions();
    showRecordCounts();
}

void TMainForm::showRecordCounts() {
    try {
        countsPane_->setText(CountRecordStates(workingDatabase().connection).text());
    } catch (const db::Error&) {
        // A file held by another program just now: the counts stay until the next change.
    }
}

void TMainForm::requeryRecordList() {
    // The grid shows what the list holds afterwards, also when the re-run failed and closed it.
    const auto showList = qScopeGuard([this] {
        grid_->refresh();
        updateActions();
    });
    recordList_.requery(kKeyField);
}

void TMainForm::reopenRecordList() {
    reopenWorkingDatabase();
    openRecordList();
}

void TMainForm::openRecordList() {
    recordList_.openKeyed(workingDatabase().connection, kRecordListSql, kKeyField);
    // Opened anew, the list is in code order.
    grid_->forgetSort();
    grid_->attach(gridVisible_ ? &recordList_ : nullptr);
    updateActions();
    showRecordCounts();
}

QList<qint64> TMainForm::selectedCodes() const {
    if (!recordList_.isOpen() || recordList_.isEmpty()) return {};
    const int field = recordList_.fieldIndex(kKeyField);
    QList<int> rows;
    for (const QModelIndex& index : grid_->selectionModel()->selectedRows()) rows << index.row();
    if (rows.isEmpty()) rows = {int(recordList_.position())};
    std::sort(rows.begin(), rows.end());
    QList<qint64> codes;
    for (int row : rows) {
        const QVariant code = recordList_.valueAt(row, field);
        if (code.isValid()) codes << db::variantToInteger(code);  // a row deleted meanwhile has none
    }
    return codes;
}

CheckTarget TMainForm::checkTarget() {
    return {&workingDatabase(), [this] { return selectedCodes(); }, checkResults_};
}

SearchContext TMainForm::searchContext() {
    return {&workingDatabase(), entryDialog_};
}

void TMainForm::actAddNewExecute() {
    entryDialog_->setAddMode(true);
    entryDialog_->setRecordList(&recordList_);
    entryDialog_->exec();
    // The grid shows the row the dialog's navigation ended on.
    requeryRecordList();
}

void TMainForm::actModifyExecute() {
    if (recordList_.isEmpty() || recordList_.atEnd()) return;
    entryDialog_->setAddMode(false);
    entryDialog_->setPrintCode(recordList_.integer(kKeyField));
    entryDialog_->setRecordList(&recordList_);
    entryDialog_->exec();
    // The grid shows the row the dialog's navigation ended on.
    requeryRecordList();
}

void TMainForm::actCompressExecute() {
    WorkingDatabase& working = workingDatabase();
    if (const QString reason = MakeAutoBackup(working.connection, QStringLiteral("压缩数据库文件")); !reason.isEmpty()) {
        ui::showError(autoBackupFailedMessage(reason));
        return;
    }
    try {
        working.connection.requireSoleUse();
        working.connection.close();
        if (db::CompactDatabaseFile(working.path)) ui::showMessage(QStringLiteral("压缩操作成功"));
    } catch (const db::Error& e) {
        ui::showRunError(e.message());
    }
    if (!working.connection.isOpen()) reopenRecordList();
}

void TMainForm::actBackupExecute() {
    ui::FileDialogRequest request;
    request.title = QStringLiteral("备份文件存放为");
    request.folder = userFolderSetting(QStringLiteral("Personal"));
    request.filters = {QStringLiteral("Access文件(*.mdb)")};
    QString name = ui::prompter().chooseSaveFile(request).path.trimmed();
    if (name.isEmpty()) return;
    if (name.size() > 4 && !name.endsWith(QLatin1String(".mdb"))) name += QStringLiteral(".mdb");

    WorkingDatabase& working = workingDatabase();
    if (isProgramDataFile(name, working.path)) {
        ui::showError(QStringLiteral("不能备份到正在使用的数据库文件，请选择其它文件。"));
        return;
    }
    const QVariant key = recordList_.isEmpty() || recordList_.atEnd() ? QVariant() : recordList_.value(kKeyField);
    try {
        working.connection.requireSoleUse();
    } catch (const db::Error& e) {
        ui::showError(e.message());
        return;
    }
    working.connection.close();
    try {
        db::CopyFileWhole(working.path, name);
        ui::showMessage(QStringLiteral("备份成功"));
    } catch (const db::Error& e) {
        ui::showError(e.message());
    }
    reopenRecordList();
    if (key.isValid() && recordList_.locate(kKeyField, key)) grid_->refresh();
}

void TMainForm::actOptionsExecute() {
    TdlgOptionSetupForm options(this);
    options.exec();
}

void TMainForm::actAboutExecute() {
    TdlgAboutForm about(this);
    about.exec();
}
