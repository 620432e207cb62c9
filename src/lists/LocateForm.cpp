#include "lists/LocateForm.h"
#include "widgets/DialogParts.h"

#include "core/InputMethod.h"
#include "core/Settings.h"
#include "lists/RecordLocation.h"
#include "widgets/RecordGrid.h"

#include <QEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

TdlgLocateForm::TdlgLocateForm(db::Connection& connection, db::RecordSet& list, RecordGridView& grid, QWidget* parent)
    : QDialog(parent), connection_(connection), list_(list), grid_(grid) {
    setWindowTitle(QStringLiteral("定位数据记录"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(420, 150);

    auto* choice = new QGroupBox(this);
    choice->setGeometry(10, 8, 296, 132);
    byCode_ = new QRadioButton(QStringLiteral("按编号定位（精确匹配）"), choice);
    byCode_->setObjectName(QStringLiteral("rbCode"));
    byCode_->setGeometry(12, 10, 260, 22);
    byCode_->setChecked(true);
    code_ = new QLineEdit(choice);
    code_->setObjectName(QStringLiteral("edtCode"));
    code_->setGeometry(32, 36, 180, 22);
    code_->setMaxLength(12);
    code_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), code_));
    byName_ = new QRadioButton(QStringLiteral("按名称定位（模糊匹配）"), choice);
    byName_->setObjectName(QStringLiteral("rbName"));
    byName_->setGeometry(12, 72, 260, 22);
    name_ = new QLineEdit(choice);
    name_->setObjectName(QStringLiteral("edtName"));
    name_->setGeometry(32, 98, 250, 22);
    // Quotes and backquotes have no place in a unit's name.
    name_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^'\"`]*")), name_));
    name_->installEventFilter(this);
    connect(code_, &QLineEdit::textEdited, byCode_, [this] { byCode_->setChecked(true); });
    connect(name_, &QLineEdit::textEdited, byName_, [this] { byName_->setChecked(true); });

    QPushButton* tbLocate = MakeButton(this, "tbLocate", QStringLiteral("定  位"));
    tbLocate->setGeometry(318, 14, 92, 28);
    tbLocate->setDefault(true);
    QPushButton* tbReturn = MakeButton(this, "tbReturn", QStringLiteral("返  回"));
    tbReturn->setGeometry(318, 108, 92, 28);
    connect(tbLocate, &QPushButton::clicked, this, &TdlgLocateForm::tbLocateClick);
    connect(tbReturn, &QPushButton::clicked, this, &TdlgLocateForm::reject);

    CentreOnScreen(this);
}

void TdlgLocateForm::tbLocateClick() {
    const LocateOutcome outcome = byCode_->isChecked() ? LocateRecordByCode(list_, code_->text())
                                                       : LocateRecordByName(connection_, list_, name_->text());
    if (outcome == LocateOutcome::CodeNotTwelveDigits) byCode_->setFocus();
    if (outcome != LocateOutcome::Found) return;
    grid_.refresh();
    accept();
}

bool TdlgLocateForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == name_ && event->type() == QEvent::FocusIn) SwitchInputMethodOn(preferredInputMethod());
    return QDialog::eventFilter(watched, event);
}
