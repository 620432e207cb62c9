#include "lists/SearchForm.h"
#include "widgets/DialogParts.h"

#include "core/Prompt.h"
#include "core/Startup.h"
#include "entry/ButtonEdit.h"
#include "entry/NumericEdit.h"
#include "entry/QuValidEdit.h"
#include "lists/DataSearchCodeForm.h"
#include "lists/SearchClause.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// An operator or connector button: its pick menu sets its text and tag.
TButtonEdit* codeButton(QWidget* parent, const char* name, const TMenuItemDataArray& list, int width = 60) {
    auto* edit = new TButtonEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setFixedWidth(width);
    QObject::connect(edit, &TButtonEdit::buttonClicked, edit, [edit, list] { ShowCodePicker(edit, list); });
    return edit;
}

void showCode(TButtonEdit* edit, const TMenuItemDataArray& list, int code) {
    edit->setText(FindCodeName(list, code));
    edit->setTag(code);
}

// The group of inputs and, below it, "查  找" and "返  回".
QHBoxLayout* searchLayout(QDialog* dialog, const QString& groupTitle, const std::function<void()>& find) {
    auto* group = new QGroupBox(groupTitle, dialog);
    auto* inputs = new QHBoxLayout(group);
    QPushButton* findButton = MakeNonDefaultButton(dialog, "tbFind", QStringLiteral("查  找"));
    QPushButton* back = MakeNonDefaultButton(dialog, "tbReturn", QStringLiteral("返  回"));
    QObject::connect(findButton, &QPushButton::clicked, dialog, find);
    QObject::connect(back, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(findButton);
    buttons->addWidget(back);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(group);
    layout->addLayout(buttons);
    return inputs;
}

// Shows the message of refused input and puts the focus where it points; true when the clause is accepted.
bool acceptOrRefuse(const SearchClause& clause, QWidget* focus) {
    if (clause.accepted()) return true;
    ui::showMessage(clause.message);
    if (focus) focus->setFocus();
    return false;
}

} // namespace

TdlgSearchForm::TdlgSearchForm(const SearchContext& context, QWidget* parent)
    : QDialog(parent), context_(context), operators_(SearchOperators()) {
    setWindowTitle(QStringLiteral("查询数据"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    QHBoxLayout* inputs = searchLayout(this, QStringLiteral("编号范围"), [this] { find(); });
    const TMenuItemDataArray connectors = SearchConnectors();
    auto number = [this](const char* name) {
        auto* edit = new TNumericEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setLimits(0, 99999999999999.0, 12, false);
        edit->setFormat(TNumericEdit::Format::Plain);
        edit->setFixedWidth(110);
        return edit;
    };
    operator1_ = codeButton(this, "lc1", operators_);
    number1_ = number("number1");
    connector_ = codeButton(this, "lc2", connectors);
    operator2_ = codeButton(this, "lc3", operators_);
    number2_ = number("number2");
    for (QWidget* w : std::initializer_list<QWidget*>{operator1_, number1_, connector_, operator2_, number2_}) inputs->addWidget(w);
    showCode(operator1_, operators_, 1);
    showCode(connector_, connectors, 1);
    showCode(operator2_, operators_, 1);
}

void TdlgSearchForm::find() {
    const SearchClause clause = CodeRangeClause(
        {operator1_->text(), number1_->plainText(), connector_->tag(), operator2_->text(), number2_->plainText()});
    if (!acceptOrRefuse(clause, clause.focus == SearchInput::Number2 ? number2_ : number1_)) return;
    ShowQueryResult(context_, clause.clause, this);
}

TdlgDataSearchForm::TdlgDataSearchForm(const SearchContext& context, QWidget* parent)
    : QDialog(parent), context_(context), operators_(SearchOperators()) {
    setWindowTitle(QStringLiteral("指标查询"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    QHBoxLayout* inputs = searchLayout(this, QStringLiteral("指标范围"), [this] { find(); });
    auto number = [this](const char* name) {
        auto* edit = new TQuValidEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setCheckType(TQuValidEdit::tcValidate);
        edit->setValidChars(QStringLiteral("0123456789"));
        edit->setFixedWidth(110);
        return edit;
    };
    field_ = new TButtonEdit(this);
    field_->setObjectName(QStringLiteral("DataField"));
    field_->setFixedWidth(100);
    connect(field_, &TButtonEdit::buttonClicked, this, &TdlgDataSearchForm::chooseField);
    operator1_ = codeButton(this, "lc1", operators_);
    number1_ = number("Number1");
    operator2_ = codeButton(this, "lc3", operators_);
    number2_ = number("Number2");
    inputs->addWidget(new QLabel(QStringLiteral(" 指标   "), this));
    inputs->addWidget(field_);
    inputs->addWidget(new QLabel(QStringLiteral("的范围："), this));
    inputs->addWidget(operator1_);
    inputs->addWidget(number1_);
    inputs->addWidget(new QLabel(QStringLiteral("且"), this));
    inputs->addWidget(operator2_);
    inputs->addWidget(number2_);
}

void TdlgDataSearchForm::chooseField() {
    TDataSearchCodeForm picker(context_.database->connection, this);
    if (picker.exec() == QDialog::Accepted) field_->setText(picker.chosenField());
}

QWidget* TdlgDataSearchForm::input(SearchInput which) const {
    switch (which) {
    case SearchInput::Field: return field_;
    case SearchInput::Operator1: return operator1_;
    case SearchInput::Number1: return number1_;
    case SearchInput::Operator2: return operator2_;
    case SearchInput::Number2: return number2_;
    case SearchInput::None: break;
    }
    return nullptr;
}

void TdlgDataSearchForm::find() {
    auto chosen = [](const TButtonEdit* op) { return op->tag() == -1 ? QString() : op->text(); };
    const SearchClause clause = IndicatorClause(
        {field_->text(), chosen(operator1_), number1_->text(), chosen(operator2_), number2_->text()});
    if (!acceptOrRefuse(clause, input(clause.focus))) return;
    ShowQueryResult(context_, clause.clause, this);
}
