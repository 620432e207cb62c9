#include "lists/DeleteForm.h"

#include "core/Startup.h"
#include "widgets/DialogParts.h"

#include "db/RecordSet.h"
#include "lists/DeleteRecords.h"
#include "lists/RecordDeletion.h"
#include "widgets/RecordChoiceBox.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

TdlgDeleteForm::TdlgDeleteForm(db::Connection& connection, db::RecordSet& list, RecordGridView& grid,
                               std::function<void()> rerunList, QWidget* parent)
    : QDialog(parent), connection_(connection), list_(list), grid_(grid), rerunList_(std::move(rerunList)) {
    setWindowTitle(QStringLiteral("选择删除的方式"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(420, 168);

    choice_ = new RecordChoiceBox(QStringLiteral("删除的内容"), this);

    QPushButton* tbDelete = MakeButton(this, "tbDelete", QStringLiteral("删  除"));
    tbDelete->setGeometry(318, 14, 92, 28);
    tbDelete->setDefault(true);
    QPushButton* tbReturn = MakeButton(this, "tbReturn", QStringLiteral("返  回"));
    tbReturn->setGeometry(318, 124, 92, 28);
    connect(tbDelete, &QPushButton::clicked, this, &TdlgDeleteForm::tbDeleteClick);
    connect(tbReturn, &QPushButton::clicked, this, &TdlgDeleteForm::reject);

    CentreOnScreen(this);
}

void TdlgDeleteForm::tbDeleteClick() {
    if (!deleteChosenRecords()) return;
    workingDatabase().announceRecordsChanged();
    if (list_.isOpen()) rerunList_();
}

bool TdlgDeleteForm::deleteChosenRecords() {
    if (choice_->selected()->isChecked()) {
        return list_.isOpen()
               && DeleteSelectedRecords(grid_, connection_, list_, QStringLiteral("dt_data"), QStringLiteral("c901"));
    }
    if (choice_->allRecords()->isChecked()) return DeleteAllRecords(connection_);
    QString upperText = choice_->lastCode()->text();
    return DeleteRecordRange(connection_, choice_->firstCode()->text(), upperText,
                             [this](const QString& text) { choice_->lastCode()->setText(text); });
}
