#include "checks/CheckForm.h"

#include "checks/CheckFindings.h"
#include "checks/CheckResultsForm.h"
#include "core/Prompt.h"
#include "widgets/DialogParts.h"
#include "widgets/RecordChoiceBox.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

namespace {

// Runs the batch check of `selectSql` for a check command; a run that ended
// shows its findings in the target's window.
void RunCheckCommand(const CheckTarget& target, const QString& selectSql, ui::ProgressSink* monitor) {
    CheckFindings findings;
    const Outcome outcome = RunBatchCheck(*target.database, selectSql, monitor, &findings);
    if (outcome.status == Outcome::Status::Done || outcome.status == Outcome::Status::Refused)
        target.results->showCheck(std::move(findings), outcome.file);
}

} // namespace

void CheckSelectedRecords(const CheckTarget& target, ui::ProgressSink* monitor) {
    const QList<qint64> codes = target.selectedCodes();
    if (codes.isEmpty()) return;
    RunCheckCommand(target, selectedRecordsSql(codes), monitor);
}

void ShowCheckDialog(const CheckTarget& target, QWidget* parent) {
    TdlgCheckForm dialog(target, parent);
    dialog.exec();
}

namespace {

constexpr int kWidth = 420;

// A button of the column on the right, `top` pixels down.
QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, int top) {
    QPushButton* button = MakeButton(parent, name, caption);
    button->setGeometry(318, top, 92, 28);
    return button;
}

} // namespace

TdlgCheckForm::TdlgCheckForm(CheckTarget target, QWidget* parent) : QDialog(parent), target_(std::move(target)) {
    setWindowTitle(QStringLiteral("选择检查的方式"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* choice = new RecordChoiceBox(QStringLiteral("检查的内容"), this);
    selected_ = choice->selected();
    allRecord_ = choice->allRecords();
    range_ = choice->range();
    firstCode_ = choice->firstCode();
    lastCode_ = choice->lastCode();

    auto* progress = new QGroupBox(QStringLiteral("检查进度"), this);
    progress->setGeometry(10, kIdleHeight, 400, 80);
    bar_ = new QProgressBar(progress);
    bar_->setGeometry(12, 24, 376, 20);
    bar_->setTextVisible(false);
    doneLabel_ = new QLabel(progress);
    doneLabel_->setObjectName(QStringLiteral("lblDone"));
    doneLabel_->setGeometry(12, 52, 186, 18);
    waitingLabel_ = new QLabel(progress);
    waitingLabel_->setObjectName(QStringLiteral("lblWaiting"));
    waitingLabel_->setGeometry(202, 52, 186, 18);
    waitingLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    preparingLabel_ = new QLabel(QStringLiteral("正在准备数据 ..."), progress);
    preparingLabel_->setGeometry(12, 52, 376, 18);

    tbCheck_ = makeButton(this, "tbCheck", QStringLiteral("检  查"), 14);
    tbPause_ = makeButton(this, "tbPause", QStringLiteral("暂  停"), 48);
    tbResume_ = makeButton(this, "tbResume", QStringLiteral("继  续"), 82);
    tbReturn_ = makeButton(this, "tbReturn", QStringLiteral("返  回"), 124);
    tbCheck_->setDefault(true);
    connect(tbCheck_, &QPushButton::clicked, this, &TdlgCheckForm::tbCheckClick);
    connect(tbPause_, &QPushButton::clicked, this, &TdlgCheckForm::tbPauseClick);
    connect(tbResume_, &QPushButton::clicked, this, &TdlgCheckForm::tbResumeClick);
    connect(tbReturn_, &QPushButton::clicked, this, &TdlgCheckForm::reject);

    timer_.setInterval(100);
    connect(&timer_, &QTimer::timeout, this, &TdlgCheckForm::tick);
    enterIdle();
    CentreOnScreen(this);
}

void TdlgCheckForm::tbCheckClick() {
    enterPreparing();
    runChosenCheck();
    enterIdle();
}

void TdlgCheckForm::enterPreparing() {
    paused_ = false;
    stopped_ = false;
    for (QRadioButton* radio : {selected_, allRecord_, range_}) radio->setEnabled(false);
    bar_->setValue(0);
    preparingLabel_->show();
    doneLabel_->hide();
    waitingLabel_->hide();
    setFixedSize(kWidth, kRunningHeight);
    tbCheck_->setEnabled(false);
    tbPause_->setEnabled(false);
    tbReturn_->setEnabled(false);
    QCoreApplication::processEvents();
}

void TdlgCheckForm::runChosenCheck() {
    if (selected_->isChecked()) {
        CheckSelectedRecords(target_, this);
        return;
    }
    if (allRecord_->isChecked()) {
        RunCheckCommand(target_, allRecordsSql(), this);
        return;
    }
    for (QLineEdit* edit : {firstCode_, lastCode_})
        if (edit->text().isEmpty()) edit->setText(QStringLiteral("0"));
    const double first = firstCode_->text().toDouble();
    double last = lastCode_->text().toDouble();
    if (first == 0 || last == 0) {
        ui::showMessage(QStringLiteral("请输入逻辑检查的范围"));
        return;
    }
    if (first > last) {
        last = first;
        lastCode_->setText(firstCode_->text());
    }
    RunCheckCommand(target_, recordRangeSql(first, last), this);
}

void TdlgCheckForm::enterIdle() {
    timer_.stop();
    setFixedSize(kWidth, kIdleHeight);
    tbCheck_->setEnabled(true);
    for (QRadioButton* radio : {selected_, allRecord_, range_}) radio->setEnabled(true);
    tbPause_->setEnabled(false);
    tbResume_->setEnabled(false);
    tbReturn_->setEnabled(true);
}

void TdlgCheckForm::start(int total, int done) {
    preparingLabel_->hide();
    tbPause_->setEnabled(true);
    tbReturn_->setEnabled(true);
    bar_->setRange(0, std::max(total, 1));
    bar_->setValue(done);
    estimate_.start(total, done);
    showTexts();
    doneLabel_->show();
    waitingLabel_->show();
    timer_.start();
}

void TdlgCheckForm::step() {
    estimate_.step();
    bar_->setValue(std::min(estimate_.done(), bar_->maximum()));
    if (estimate_.done() >= estimate_.total()) timer_.stop();
}

void TdlgCheckForm::tbPauseClick() {
    timer_.stop();
    paused_ = true;
    tbPause_->setEnabled(false);
    tbResume_->setEnabled(true);
}

void TdlgCheckForm::tbResumeClick() {
    paused_ = false;
    timer_.start();
    tbPause_->setEnabled(true);
    tbResume_->setEnabled(false);
}

void TdlgCheckForm::reject() {
    stopped_ = true;
    QDialog::reject();
}

void TdlgCheckForm::tick() {
    estimate_.tick();
    showTexts();
}

void TdlgCheckForm::showTexts() {
    doneLabel_->setText(estimate_.doneText());
    waitingLabel_->setText(estimate_.waitingText());
}
