#include "app/MainForm.h"

#include "app/Settings.h"
#include "app/Startup.h"
#include "app/Version.h"

#include <QDate>
#include <QLabel>
#include <QStatusBar>

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    InitSettings(programApplicationName());
    if (!OpenSurveyDatabase()) return;
    setWindowTitle(mainWindowTitle(workingDatabase().label));

    const QString appKey = applicationKey();
    WriteSettingInteger(QStringLiteral("ShowGrid"), 1, SettingsRoot::LocalMachine, appKey);
    ReadSettingInteger(QStringLiteral("ShowGrid"), 0, SettingsRoot::LocalMachine, appKey);

    setStyleSheet(QStringLiteral("QMainWindow { background: rgb(193, 216, 249); }"));
    versionPane_ = new QLabel(statusVersionText(ReadVersionInfo()), this);
    datePane_ = new QLabel(QDate::currentDate().toString(QStringLiteral("yyyy年MM月dd日")), this);
    datePane_->setFixedWidth(104);
    datePane_->setAlignment(Qt::AlignCenter);
    statusBar()->addWidget(versionPane_, 1);
    statusBar()->addPermanentWidget(datePane_);
    started_ = true;
}
