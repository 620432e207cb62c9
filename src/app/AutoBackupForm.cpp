#include "app/AutoBackupForm.h"

#include "core/AutoBackup.h"
#include "core/Prompt.h"
#include "core/Startup.h"
#include "widgets/DialogParts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kNameRole = Qt::UserRole;

} // namespace

TdlgAutoBackupForm::TdlgAutoBackupForm(WorkingDatabase& working, QWidget* parent)
    : QDialog(parent), working_(working), backups_(new QTreeWidget(this)) {
    setWindowTitle(QStringLiteral("从自动备份恢复"));
    backups_->setObjectName(QStringLiteral("backups"));
    backups_->setRootIsDecorated(false);
    backups_->setAlternatingRowColors(true);
    backups_->setHeaderLabels({QStringLiteral("备份时间"), QStringLiteral("备份时的操作"), QStringLiteral("记录数"),
                               QStringLiteral("数据库标识")});
    for (const AutoBackup& backup : ListAutoBackups(working.connection)) {
        auto* row = new QTreeWidgetItem(backups_, {backup.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), backup.step,
                                                   backup.records < 0 ? QStringLiteral("不能读取") : QString::number(backup.records),
                                                   backup.label});
        row->setData(0, kNameRole, backup.name);
        row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (backups_->topLevelItemCount() > 0) backups_->setCurrentItem(backups_->topLevelItem(0));
    backups_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    QPushButton* tbRestore = MakeButton(this, "tbRestore", QStringLiteral("恢  复"));
    QPushButton* tbReturn = MakeButton(this, "tbReturn", QStringLiteral("返  回"));
    tbRestore->setEnabled(backups_->topLevelItemCount() > 0);
    connect(tbRestore, &QPushButton::clicked, this, &TdlgAutoBackupForm::tbRestoreClick);
    connect(tbReturn, &QPushButton::clicked, this, &TdlgAutoBackupForm::reject);
    connect(backups_, &QTreeWidget::itemDoubleClicked, this, &TdlgAutoBackupForm::tbRestoreClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(tbRestore);
    buttons->addWidget(tbReturn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(backups_);
    layout->addLayout(buttons);
    resize(620, 320);
    CentreOnScreen(this);
}

void TdlgAutoBackupForm::tbRestoreClick() {
    const QTreeWidgetItem* row = backups_->currentItem();
    if (!row) return;
    const Outcome outcome = RestoreAutoBackup(working_, row->data(0, kNameRole).toString());
    if (outcome.status != Outcome::Status::Declined) accept();
}
