#include "lists/DataSearchCodeForm.h"
#include "widgets/DialogParts.h"

#include "core/Prompt.h"
#include "db/Error.h"
#include "db/Statement.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

TDataSearchCodeForm::TDataSearchCodeForm(db::Connection& connection, QWidget* parent)
    : QDialog(parent), connection_(connection), sheets_(new QListWidget(this)), fields_(new QListWidget(this)) {
    setWindowTitle(QStringLiteral("选择指标"));
    sheets_->setObjectName(QStringLiteral("SheetList"));
    fields_->setObjectName(QStringLiteral("FieldList"));
    sheets_->setMinimumSize(300, 320);
    fields_->setMinimumSize(160, 320);
    QPushButton* confirmButton = MakeNonDefaultButton(this, "tbConfirm", QStringLiteral("确认"));
    QPushButton* cancelButton = MakeNonDefaultButton(this, "tbCancel", QStringLiteral("取消"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("表"), this), 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("指标"), this), 0, 1);
    layout->addWidget(sheets_, 1, 0);
    layout->addWidget(fields_, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(confirmButton);
    buttons->addWidget(cancelButton);
    layout->addLayout(buttons, 2, 0, 1, 2);

    try {
        db::Statement rows(connection_, QStringLiteral("SELECT CodeID, CodeName FROM ct_sheetName WHERE CodeID>=0 ORDER BY CodeID"));
        while (rows.next()) {
            auto* item = new QListWidgetItem(rows.text(1), sheets_);
            item->setData(Qt::UserRole, rows.integer(0));
        }
    } catch (const db::Error& e) {
        ui::showMessage(e.message());
    }
    // A click or an arrow key in the sheet list shows that sheet's fields.
    connect(sheets_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) showSheetFields(sheets_->item(row)->data(Qt::UserRole).toInt());
    });
    // It opens on the first sheet that has fields (the cover has none here).
    for (int row = 0; row < sheets_->count() && fields_->count() == 0; ++row) sheets_->setCurrentRow(row);
    connect(fields_, &QListWidget::itemDoubleClicked, this, &TDataSearchCodeForm::confirm);
    connect(confirmButton, &QPushButton::clicked, this, &TDataSearchCodeForm::confirm);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TDataSearchCodeForm::showSheetFields(int sheetCode) {
    fields_->clear();
    try {
        db::Statement rows(connection_, QStringLiteral("Select * from view_datasearch where PageID=? order by sequence"));
        rows.bind(1, sheetCode);
        const int name = rows.columnIndex(QStringLiteral("codename"));
        while (rows.next()) fields_->addItem(rows.text(name));
    } catch (const db::Error& e) {
        ui::showMessage(e.message());
    }
    if (fields_->count() > 0) fields_->setCurrentRow(0);
}

void TDataSearchCodeForm::confirm() {
    const QListWidgetItem* item = fields_->currentItem();
    chosen_ = item ? item->text().trimmed() : QString();
    accept();
}
