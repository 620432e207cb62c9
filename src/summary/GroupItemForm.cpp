#include "summary/GroupItemForm.h"

#include "core/Prompt.h"
#include "entry/ButtonEdit.h"
#include "entry/NumericEdit.h"
#include "summary/GroupGrid.h"
#include "widgets/DialogParts.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <cmath>

namespace {

const QString kItemKey = QStringLiteral("id");

TButtonEdit* makePicker(QWidget* parent, const char* name) {
    auto* picker = new TButtonEdit(parent);
    picker->setObjectName(QLatin1String(name));
    picker->setFixedWidth(56);
    return picker;
}

// A bound: a whole number of up to 12 digits, such as a unit code.
TNumericEdit* makeBoundEdit(QWidget* parent, const char* name) {
    auto* edit = new TNumericEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setLimits(0, 999999999999.0, 12, false);
    edit->setFormat(TNumericEdit::Format::Plain);
    return edit;
}

void showCode(TButtonEdit* picker, const TMenuItemDataArray& list, int code) {
    picker->setTag(code);
    picker->setText(FindCodeName(list, code));
}

qint64 wholeNumber(double value) { return qint64(std::llround(value)); }

} // namespace

TdlgGroupItemForm::TdlgGroupItemForm(db::Connection& connection, qint64 groupId, const QString& name,
                                     std::function<void()> renamed, QWidget* parent)
    : QDialog(parent), connection_(connection), groupId_(groupId), renamed_(std::move(renamed)) {
    setWindowTitle(QStringLiteral("自定义分组"));

    groupName_ = new QLineEdit(name, this);
    groupName_->setObjectName(QStringLiteral("GroupName"));
    tbSave_ = MakeNonDefaultButton(this, "tbSave", QStringLiteral("保  存"));
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("数据组名："), this));
    top->addWidget(groupName_, 1);
    top->addWidget(tbSave_);

    grid_ = new GroupGridView({{QStringLiteral("title"), QStringLiteral("数据项目名称"), 180},
                               {QStringLiteral("LowValue"), QStringLiteral("编号下限"), 130},
                               {QStringLiteral("HighValue"), QStringLiteral("编号上限"), 130}},
                              this);
    grid_->setObjectName(QStringLiteral("ItemGrid"));
    grid_->setSortable(true);

    auto* fields = new QGroupBox(QStringLiteral("分组项目定义"), this);
    name_ = new QLineEdit(fields);
    name_->setObjectName(QStringLiteral("name"));
    name_->setMaxLength(255);
    leftSymbol_ = makePicker(fields, "LeftSymbol");
    lowBoundary_ = makeBoundEdit(fields, "LowBoundary");
    rightSymbol_ = makePicker(fields, "RightSymbol");
    highBoundary_ = makeBoundEdit(fields, "HighBoundary");
    auto* fieldGrid = new QGridLayout(fields);
    fieldGrid->addWidget(new QLabel(QStringLiteral("数据项目名称："), fields), 0, 0);
    fieldGrid->addWidget(name_, 0, 1, 1, 2);
    fieldGrid->addWidget(new QLabel(QStringLiteral("编号下限："), fields), 1, 0);
    fieldGrid->addWidget(leftSymbol_, 1, 1);
    fieldGrid->addWidget(lowBoundary_, 1, 2);
    fieldGrid->addWidget(new QLabel(QStringLiteral("编号上限："), fields), 2, 0);
    fieldGrid->addWidget(rightSymbol_, 2, 1);
    fieldGrid->addWidget(highBoundary_, 2, 2);

    actAddItem_ = MakeNonDefaultButton(this, "actAddItem", QStringLiteral("增  加"));
    tbEdit_ = MakeNonDefaultButton(this, "tbEdit", QStringLiteral("修  改"));
    tbRemove_ = MakeNonDefaultButton(this, "tbRemove", QStringLiteral("除  去"));
    tbReturn_ = MakeNonDefaultButton(this, "tbReturn", QStringLiteral("返  回"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {actAddItem_, tbEdit_, tbRemove_, tbReturn_}) buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grid_, 1);
    layout->addWidget(fields);
    layout->addLayout(buttons);
    resize(500, 480);

    connect(groupName_, &QLineEdit::textEdited, this, [this](const QString& text) { tbSave_->setEnabled(!text.isEmpty()); });
    connect(tbSave_, &QPushButton::clicked, this, &TdlgGroupItemForm::tbSaveClick);
    connect(leftSymbol_, &TButtonEdit::buttonClicked, this, [this] { ShowCodePicker(leftSymbol_, lowSymbolList()); });
    connect(rightSymbol_, &TButtonEdit::buttonClicked, this, [this] { ShowCodePicker(rightSymbol_, highSymbolList()); });
    connect(name_, &QLineEdit::textChanged, this, &TdlgGroupItemForm::updateItemActions);
    connect(lowBoundary_, &TNumericEdit::contentChanged, this, &TdlgGroupItemForm::updateItemActions);
    connect(highBoundary_, &TNumericEdit::contentChanged, this, &TdlgGroupItemForm::updateItemActions);
    connect(grid_, &GroupGridView::rowClicked, this, &TdlgGroupItemForm::loadCurrentItem);
    connect(grid_, &GroupGridView::navigationReleased, this, &TdlgGroupItemForm::loadCurrentItem);
    connect(grid_, &GroupGridView::deleteReleased, this, &TdlgGroupItemForm::tbRemoveClick);
    connect(grid_, &GroupGridView::sorted, this,
            [this](const QString& order) { RunShowingErrors([&] { StoreGroupingOrder(connection_, groupId_, order); }); });
    connect(actAddItem_, &QPushButton::clicked, this, &TdlgGroupItemForm::actAddItemExecute);
    connect(tbEdit_, &QPushButton::clicked, this, &TdlgGroupItemForm::tbEditClick);
    connect(tbRemove_, &QPushButton::clicked, this, &TdlgGroupItemForm::tbRemoveClick);
    connect(tbReturn_, &QPushButton::clicked, this, &QDialog::accept);
}

void TdlgGroupItemForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A window restored from the taskbar keeps what the clerk typed.
    if (event->spontaneous()) return;
    showCode(leftSymbol_, lowSymbolList(), kDefaultLowSymbol);
    showCode(rightSymbol_, highSymbolList(), kDefaultHighSymbol);
    RunShowingErrors([&] { items_.open(connection_, groupItemsSql(), {groupId_}); });
    grid_->attach(&items_);
    loadCurrentItem();
    tbRemove_->setEnabled(hasItems());
    tbEdit_->setEnabled(hasItems());
    tbSave_->setEnabled(false);
    updateItemActions();
}

bool TdlgGroupItemForm::hasItems() const { return items_.isOpen() && !items_.isEmpty(); }

void TdlgGroupItemForm::loadCurrentItem() {
    if (!hasItems() || items_.atEnd()) return;
    name_->setText(items_.text(QStringLiteral("Title")));
    lowBoundary_->setValue(double(wholeNumber(items_.real(QStringLiteral("LowBoundary")))));
    highBoundary_->setValue(double(wholeNumber(items_.real(QStringLiteral("HighBoundary")))));
    const QString low = items_.text(QStringLiteral("LowSymbol"));
    const QString high = items_.text(QStringLiteral("HighSymbol"));
    leftSymbol_->setText(low);
    leftSymbol_->setTag(FindCodeId(lowSymbolList(), low));
    rightSymbol_->setText(high);
    rightSymbol_->setTag(FindCodeId(highSymbolList(), high));
}

GroupItem TdlgGroupItemForm::editedItem() const {
    return {name_->text(), wholeNumber(lowBoundary_->value()), leftSymbol_->text(), wholeNumber(highBoundary_->value()),
            rightSymbol_->text()};
}

void TdlgGroupItemForm::updateItemActions() {
    const bool complete = GroupItemIsComplete(editedItem());
    actAddItem_->setEnabled(complete);
    tbEdit_->setEnabled(complete && hasItems());
    if (complete) tbRemove_->setEnabled(tbEdit_->isEnabled());
}

void TdlgGroupItemForm::requeryItems(qint64 itemId) {
    RunShowingErrors([&] {
        items_.requery(kItemKey);
        if (itemId > 0) items_.locate(kItemKey, itemId);
    });
    grid_->refresh();
    tbRemove_->setEnabled(hasItems());
    updateItemActions();
}

void TdlgGroupItemForm::tbSaveClick() {
    if (groupName_->text().isEmpty()) return;
    if (RunShowingErrors([&] { RenameGrouping(connection_, groupId_, groupName_->text()); }) && renamed_) renamed_();
}

void TdlgGroupItemForm::actAddItemExecute() {
    qint64 id = 0;
    RunShowingErrors([&] { id = AddGroupItem(connection_, groupId_, editedItem()); });
    if (id > 0) requeryItems(id);
}

void TdlgGroupItemForm::tbEditClick() {
    if (!hasItems() || items_.atEnd()) return;
    bool stored = false;
    RunShowingErrors([&] { stored = ModifyGroupItem(connection_, items_.integer(kItemKey), groupId_, editedItem()); });
    if (stored) requeryItems();
}

void TdlgGroupItemForm::tbRemoveClick() {
    if (!hasItems() || items_.atEnd()) return;
    if (!ui::askYesNo(QStringLiteral("数据将被彻底删除，确认么？"))) return;
    if (RunShowingErrors([&] { DeleteGroupItem(connection_, items_.integer(kItemKey)); })) requeryItems();
}
