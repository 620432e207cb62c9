#include "checks/CheckResultsForm.h"

#include "checks/CheckResultsModel.h"
#include "core/Platform.h"
#include "core/Prompt.h"
#include "core/Startup.h"
#include "db/Error.h"
#include "entry/SurveyDataForm.h"
#include "widgets/DialogParts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

TCheckResultsForm::TCheckResultsForm(WorkingDatabase& database, TdlgSurveyDataForm* entryDialog, QWidget* parent)
    : QWidget(parent, Qt::Window),
      database_(database),
      entryDialog_(entryDialog),
      findingsModel_(new CheckFindingsModel(database.connection, findings_, this)),
      rulesModel_(new RuleFrequencyModel(*findingsModel_, findings_, this)),
      views_(new QTabWidget(this)),
      findingsView_(new QTreeView(this)),
      rulesView_(new QTableView(this)),
      countLine_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("逻辑检查结果"));
    resize(960, 560);

    findingsView_->setObjectName(QStringLiteral("FindingsView"));
    findingsView_->setModel(findingsModel_);
    // Every row is one line high, so that a long list is laid out at once.
    findingsView_->setUniformRowHeights(true);
    findingsView_->setExpandsOnDoubleClick(false);
    findingsView_->setAlternatingRowColors(true);
    findingsView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    findingsView_->setColumnWidth(0, 150);
    findingsView_->setColumnWidth(1, 330);
    findingsView_->header()->setStretchLastSection(true);

    rulesView_->setObjectName(QStringLiteral("RulesView"));
    rulesView_->setModel(rulesModel_);
    rulesView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    rulesView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    rulesView_->setAlternatingRowColors(true);
    rulesView_->verticalHeader()->hide();
    rulesView_->setColumnWidth(0, 80);
    rulesView_->setColumnWidth(1, 60);
    rulesView_->setColumnWidth(2, 330);
    rulesView_->horizontalHeader()->setStretchLastSection(true);

    views_->addTab(findingsView_, QStringLiteral("按单位"));
    views_->addTab(rulesView_, QStringLiteral("按规则"));
    countLine_->setObjectName(QStringLiteral("CountLine"));

    QPushButton* openFile = MakeButton(this, "tbOpenFile", QStringLiteral("打开结果文件"));
    QPushButton* back = MakeButton(this, "tbReturn", QStringLiteral("返  回"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(countLine_);
    layout->addWidget(views_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(openFile);
    buttons->addWidget(back);
    layout->addLayout(buttons);

    connect(findingsView_, &QTreeView::doubleClicked, this, &TCheckResultsForm::openFinding);
    connect(openFile, &QPushButton::clicked, this, &TCheckResultsForm::openResultsFile);
    connect(back, &QPushButton::clicked, this, &QWidget::close);
    connect(&database_, &WorkingDatabase::recordsChanged, this, &TCheckResultsForm::recordsChanged);
    showCounts();
}

TCheckResultsForm::~TCheckResultsForm() { units_.close(); }

void TCheckResultsForm::showCheck(CheckFindings findings, const QString& resultsFile) {
    checked_ = true;
    resultsFile_ = resultsFile;
    findings_ = std::move(findings);
    findingsModel_->reload();
    findingsView_->expandAll();
    rulesModel_->reload();
    showCounts();
    if (findings_.units().empty()) return;
    show();
    raise();
    activateWindow();
}

void TCheckResultsForm::showLastCheck() {
    if (!checked_) {
        ui::showMessage(QStringLiteral("还没有检查数据的逻辑"));
        return;
    }
    show();
    raise();
    activateWindow();
}

void TCheckResultsForm::showCounts() {
    countLine_->setText(QStringLiteral("共有%1个单位的数据存在逻辑错误，共有%2个逻辑错误项")
                            .arg(findings_.units().size())
                            .arg(findings_.findingCount()));
}

void TCheckResultsForm::expandRow(int row) { findingsView_->expand(findingsModel_->index(row, 0)); }

void TCheckResultsForm::openFinding(const QModelIndex& index) {
    if (!index.isValid() || !entryDialog_) return;
    const QModelIndex finding = findingsModel_->isFinding(index) ? index : findingsModel_->index(0, 0, index.siblingAtColumn(0));
    const qint64 code = findingsModel_->codeAt(index);
    try {
        findings_.listUnits(database_.connection, units_);
    } catch (const db::Error& e) {
        ui::showRunError(e.message(), ui::contactTail());
        return;
    }
    if (!units_.locate(QStringLiteral("c901"), code)) {
        ui::showMessage(QStringLiteral("没有找到满足条件的数据"));
        return;
    }
    entryDialog_->setAddMode(false);
    entryDialog_->setPrintCode(code);
    entryDialog_->setRecordList(&units_);
    entryDialog_->setStartField(findingsModel_->pageAt(finding), findingsModel_->fieldAt(finding));
    entryDialog_->exec();
    // The entry dialog outlives this list; it must not keep pointing at it.
    entryDialog_->setRecordList(nullptr);
}

void TCheckResultsForm::openResultsFile() {
    if (resultsFile_.isEmpty()) return;
    openWithDefaultApplication(resultsFile_);
}

void TCheckResultsForm::recordsChanged() {
    if (!checked_) return;
    try {
        if (entryDialog_ && entryDialog_->isVisible()) {
            // The entry dialog wrote the record it shows.
            const qint64 code = entryDialog_->currentRecordCode();
            if (code == 0) return;
            const int row = findingsModel_->recheck(code);
            if (row >= 0) expandRow(row);
        } else if (findings_.dropMissing(database_.connection)) {
            findingsModel_->reload();
            findingsView_->expandAll();
        }
    } catch (const db::Error& e) {
        // The window keeps what it showed; the next change checks again.
        ui::showRunError(e.message(), ui::contactTail());
    }
    rulesModel_->reload();
    showCounts();
}
