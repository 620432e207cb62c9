#include "lists/SaveListForm.h"
#include "widgets/DialogParts.h"

#include "core/Platform.h"
#include "core/Prompt.h"
#include "core/Settings.h"
#include "core/Startup.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

void ShowSaveListDialog(WorkingDatabase& working, QWidget* parent) {
    TdlgSaveListForm dialog(working, parent);
    dialog.exec();
}

namespace {

const QString kNoGroupCaption = QStringLiteral("     选择自定义分组");

QLineEdit* makeCodeField(QWidget* parent, const char* name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,12}")), field));
    return field;
}

} // namespace

TdlgSaveListForm::TdlgSaveListForm(WorkingDatabase& working, QWidget* parent) : QDialog(parent), working_(working) {
    setWindowTitle(QStringLiteral("选择导出数据的方式"));
    auto* scope = new QGroupBox(QStringLiteral("导出的内容"), this);
    allRecords_ = new QRadioButton(QStringLiteral("所有的数据"), scope);
    allRecords_->setObjectName(QStringLiteral("RadioButton1"));
    allRecords_->setChecked(true);
    codeRange_ = new QRadioButton(QStringLiteral("指定单位编号的范围"), scope);
    codeRange_->setObjectName(QStringLiteral("RadioButton2"));
    fromCode_ = makeCodeField(scope, "edtFrom");
    toCode_ = makeCodeField(scope, "edtTo");
    byGroup_ = new QRadioButton(scope);
    byGroup_->setObjectName(QStringLiteral("RadioButton3"));
    groupButton_ = new QToolButton(scope);
    groupButton_->setObjectName(QStringLiteral("tbGroup"));
    groupButton_->setText(kNoGroupCaption);
    groupButton_->setArrowType(Qt::DownArrow);
    groupButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    auto* scopeLayout = new QGridLayout(scope);
    scopeLayout->addWidget(allRecords_, 0, 0, 1, 4);
    scopeLayout->addWidget(codeRange_, 1, 0, 1, 4);
    scopeLayout->addWidget(new QLabel(QStringLiteral("从"), scope), 2, 0);
    scopeLayout->addWidget(fromCode_, 2, 1);
    scopeLayout->addWidget(new QLabel(QStringLiteral("到"), scope), 2, 2);
    scopeLayout->addWidget(toCode_, 2, 3);
    scopeLayout->addWidget(byGroup_, 3, 0);
    scopeLayout->addWidget(groupButton_, 3, 1, 1, 3);

    tableList_ = new QListWidget(this);
    tableList_->setObjectName(QStringLiteral("TableList"));
    // The user cannot tick it: the export always holds every record's whole row.
    shownOnly_ = new QCheckBox(QStringLiteral("只导出显示的部分"), this);
    shownOnly_->setObjectName(QStringLiteral("CheckBox1"));
    shownOnly_->hide();

    btnExport_ = MakeNonDefaultButton(this, "btnExport", QStringLiteral("导  出"));
    btnReturn_ = MakeNonDefaultButton(this, "btnReturn", QStringLiteral("返  回"));

    auto* top = new QHBoxLayout;
    top->addWidget(scope);
    top->addWidget(tableList_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnExport_);
    buttons->addWidget(btnReturn_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(shownOnly_);
    layout->addLayout(buttons);
    resize(640, 360);

    connect(groupButton_, &QToolButton::clicked, this, &TdlgSaveListForm::chooseGroup);
    connect(btnExport_, &QPushButton::clicked, this, &TdlgSaveListForm::btnExportClick);
    connect(btnReturn_, &QPushButton::clicked, this, &TdlgSaveListForm::btnReturnClick);

    loadTables();
    loadGroups();
}

void TdlgSaveListForm::loadTables() {
    tables_ = readExportTableList(programFolder() + exportTableFileName());
    for (const CheckListLine& entry : tables_) {
        auto* item = new QListWidgetItem(entry.text, tableList_);
        item->setFlags(entry.enabled ? Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable : Qt::NoItemFlags);
        item->setCheckState(entry.check == 1 ? Qt::Checked : entry.check == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
    }
}

void TdlgSaveListForm::loadGroups() {
    try {
        groups_ = LoadExportGroups(working_.connection);
    } catch (const db::Error& e) {
        ui::showRunError(e.message(), QStringLiteral(",请与系统管理员或软件发行者联系。"));
    }
    if (!groups_.empty()) currentGroup_ = groups_.front();
    byGroup_->setEnabled(!groups_.empty());
    groupButton_->setEnabled(!groups_.empty());
    showGroup();
}

void TdlgSaveListForm::showGroup() {
    groupButton_->setText(currentGroup_ ? LiteralCaption(currentGroup_->item.title) : kNoGroupCaption);
}

void TdlgSaveListForm::chooseGroup() {
    QStringList titles;
    int current = -1;
    for (size_t i = 0; i < groups_.size(); ++i) {
        titles << groups_[i].item.title;
        if (currentGroup_ && groups_[i].id == currentGroup_->id) current = int(i);
    }
    const int chosen = ui::prompter().chooseFromMenu(titles, current, groupButton_->mapToGlobal(QPoint(0, groupButton_->height())));
    if (chosen < 0 || chosen >= int(groups_.size())) return;
    currentGroup_ = groups_[size_t(chosen)];
    byGroup_->setChecked(true);
    showGroup();
}

std::vector<CheckListLine> TdlgSaveListForm::tickedTables() const {
    std::vector<CheckListLine> tables = tables_;
    for (int i = 0; i < tableList_->count() && i < int(tables.size()); ++i) {
        const Qt::CheckState state = tableList_->item(i)->checkState();
        tables[size_t(i)].check = state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0;
    }
    return tables;
}

void TdlgSaveListForm::setControlsEnabled(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{allRecords_, codeRange_, btnExport_, btnReturn_})
        control->setEnabled(enabled);
    const bool groups = enabled && !groups_.empty();
    byGroup_->setEnabled(groups);
    groupButton_->setEnabled(groups);
}

void TdlgSaveListForm::btnExportClick() {
    setControlsEnabled(false);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    ListExportChoice choice;
    choice.scope = codeRange_->isChecked() ? ListExportChoice::Scope::CodeRange
                   : byGroup_->isChecked() ? ListExportChoice::Scope::Group
                                           : ListExportChoice::Scope::AllRecords;
    choice.fromCode = fromCode_->text();
    choice.toCode = toCode_->text();
    choice.group = currentGroup_;
    choice.tables = tickedTables();
    ExportRecordList(working_, choice);
    toCode_->setText(choice.toCode);
    setControlsEnabled(true);
}

void TdlgSaveListForm::btnReturnClick() {
    WriteSettingBool(QStringLiteral("CheckBox1"), shownOnly_->isChecked(), SettingsRoot::LocalMachine, dataKey());
    accept();
}
