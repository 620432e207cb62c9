#include "lists/DeleteForm.h"
#include "widgets/DialogParts.h"

#include "core/Startup.h"
#include "db/RecordSet.h"
#include "lists/DeleteRecords.h"
#include "lists/RecordDeletion.h"
#include "widgets/RecordChoiceBox.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

TdlgDeleteForm::TdlgDeleteForm(WorkingDatabase& working, db::RecordSet& list, RecordGridView& grid, QWidget* parent)
    : QDialog(parent), working_(working), list_(list), grid_(grid) {
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
    if (deleteChosenRecords()) working_.announceRecordsChanged();
}

bool TdlgDeleteForm::deleteChosenRecords() {
    if (choice_->selected()->isChecked()) {
        return list_.isOpen()
               && DeleteSelectedRecords(grid_, working_.connection, list_, QStringLiteral("dt_data"), QStringLiteral("c901"));
    }
    if (choice_->allRecords()->isChecked()) return DeleteAllRecords(working_.connection);
    QString upperText = choice_->lastCode()->text();
    return DeleteRecordRange(working_.connection, choice_->firstCode()->text(), upperText,
                             [this](const QString& text) { choice_->lastCode()->setText(text); });
}
