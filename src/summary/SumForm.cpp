#include "summary/SumForm.h"

#include "core/Platform.h"
#include "core/Progress.h"
#include "core/Prompt.h"
#include "db/Statement.h"
#include "summary/Groupings.h"
#include "summary/SummaryWorkbook.h"
#include "widgets/DialogParts.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QVBoxLayout>
#include <functional>

using summary::Breakdown;

namespace {

// The grouping drop-down: opening its list, by mouse or keyboard, is a choice
// of the grouping breakdown as much as picking an entry is.
class GroupDropDown final : public QComboBox {
public:
    GroupDropDown(std::function<void()> opened, QWidget* parent) : QComboBox(parent), opened_(std::move(opened)) {}
    void showPopup() override {
        opened_();
        QComboBox::showPopup();
    }

private:
    std::function<void()> opened_;
};

} // namespace

void ShowSumDialog(db::Connection& connection, const QString& label, QWidget* parent) {
    TdlgSumForm dialog(connection, label, parent);
    dialog.exec();
}

TdlgSumForm::TdlgSumForm(db::Connection& connection, const QString& label, QWidget* parent)
    : QDialog(parent), connection_(connection), label_(label) {
    setWindowTitle(QStringLiteral("数据分类汇总"));
    tableList_ = new QListWidget(this);
    tableList_->setObjectName(QStringLiteral("TableList"));
    auto* selectAll = MakeNonDefaultButton(this, "Button1", QStringLiteral("全部选中"));
    auto* selectNone = MakeNonDefaultButton(this, "Button2", QStringLiteral("全部不选"));

    auto* sumType = new QGroupBox(QStringLiteral("汇总方式"), this);
    sumType->setObjectName(QStringLiteral("SumType"));
    byLevel_ = new QRadioButton(QStringLiteral("工会层次"), sumType);
    byState_ = new QRadioButton(QStringLiteral("填报状态"), sumType);
    byGroup_ = new QRadioButton(sumType);
    byLevel_->setChecked(true);
    // Opening the drop-down or choosing in it chooses the grouping breakdown,
    // when there is a grouping with items to choose.
    const auto chooseGrouping = [this] {
        if (byGroup_->isEnabled()) byGroup_->setChecked(true);
    };
    tbGroup_ = new GroupDropDown(chooseGrouping, sumType);
    tbGroup_->setObjectName(QStringLiteral("tbGroup"));
    tbGroup_->setPlaceholderText(QStringLiteral("自定义分组"));
    auto* groupLine = new QHBoxLayout;
    groupLine->addWidget(byGroup_);
    groupLine->addWidget(tbGroup_, 1);
    auto* typeLayout = new QVBoxLayout(sumType);
    typeLayout->addWidget(byLevel_);
    typeLayout->addWidget(byState_);
    typeLayout->addLayout(groupLine);

    auto* tbSum = MakeNonDefaultButton(this, "tbSum", QStringLiteral("汇  总"));
    tbSum->setToolTip(QStringLiteral("执行汇总"));
    auto* tbReturn = MakeNonDefaultButton(this, "tbReturn", QStringLiteral("返  回"));

    auto* side = new QVBoxLayout;
    side->addWidget(selectAll);
    side->addWidget(selectNone);
    side->addWidget(sumType);
    side->addStretch(1);
    side->addWidget(tbSum);
    side->addWidget(tbReturn);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(tableList_, 1);
    layout->addLayout(side);
    resize(560, 520);

    connect(selectAll, &QPushButton::clicked, this, [this] {
        for (SumTableItem& item : items_) item.check = item.isBand() ? 0 : 1;
        showChecks();
    });
    connect(selectNone, &QPushButton::clicked, this, [this] {
        for (SumTableItem& item : items_) item.check = 0;
        showChecks();
    });
    connect(tableList_, &QListWidget::itemDoubleClicked, this, &TdlgSumForm::tableListDoubleClick);
    connect(tbGroup_, &QComboBox::activated, this, chooseGrouping);
    connect(tbSum, &QPushButton::clicked, this, &TdlgSumForm::tbSumClick);
    connect(tbReturn, &QPushButton::clicked, this, &QDialog::accept);

    items_ = readSumTableList(programFolder() + sumTableFileName());
    showItems();
    loadGroupings();
}

void TdlgSumForm::showItems() {
    tableList_->clear();
    for (const SumTableItem& entry : items_) {
        auto* item = new QListWidgetItem(entry.text, tableList_);
        if (entry.isBand()) {
            // A band: bold blue, not to be ticked; a double click ticks its tables.
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            QFont font = item->font();
            font.setBold(true);
            item->setFont(font);
            item->setForeground(Qt::blue);
        } else {
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        }
    }
    showChecks();
}

void TdlgSumForm::showChecks() {
    for (int i = 0; i < tableList_->count(); ++i) {
        const SumTableItem& entry = items_[size_t(i)];
        if (entry.isBand()) continue;
        tableList_->item(i)->setCheckState(entry.check == 1 ? Qt::Checked : entry.check == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
    }
}

// The ticks as the clerk left them in the list.
void TdlgSumForm::readItems() {
    for (int i = 0; i < tableList_->count(); ++i) {
        if (items_[size_t(i)].isBand()) continue;
        const Qt::CheckState state = tableList_->item(i)->checkState();
        items_[size_t(i)].check = state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0;
    }
}

void TdlgSumForm::loadGroupings() {
    auto* model = new QStandardItemModel(tbGroup_);
    RunShowingErrors([&] {
        db::Statement groups(connection_, QStringLiteral("select id, name from ct_group"));
        db::Statement itemCount(connection_, QStringLiteral("select count(*) as cnt from DT_GroupItem where GroupID=?"));
        while (groups.next()) {
            auto* entry = new QStandardItem(groups.text(1));
            entry->setData(groups.integer(0));
            itemCount.bind(1, groups.integer(0));
            itemCount.next();
            // A grouping without items is listed but cannot be chosen.
            if (itemCount.integer(0) == 0) entry->setFlags(entry->flags() & ~Qt::ItemIsEnabled);
            itemCount.reset();
            model->appendRow(entry);
        }
    });
    tbGroup_->setModel(model);
    // The first grouping that can be chosen, the one with items, is the chosen one.
    int chosen = -1;
    for (int row = model->rowCount() - 1; row >= 0; --row)
        if (model->item(row)->isEnabled()) chosen = row;
    tbGroup_->setCurrentIndex(chosen);
    tbGroup_->setEnabled(model->rowCount() > 0);
    byGroup_->setEnabled(chosen >= 0);
}

void TdlgSumForm::tableListDoubleClick(QListWidgetItem* item) {
    readItems();
    tickBand(items_, tableList_->row(item));
    showChecks();
}

void TdlgSumForm::tbSumClick() {
    readItems();
    const Breakdown breakdown = byGroup_->isChecked() ? Breakdown::Grouping : byState_->isChecked() ? Breakdown::State : Breakdown::Level;
    const qint64 groupId = breakdown == Breakdown::Grouping ? tbGroup_->currentData(Qt::UserRole + 1).toLongLong() : 0;
    summary::RunSummary(connection_, label_, chosenSheets(items_), breakdown, groupId, ui::twoLineProgress());
}

void TdlgSumForm::done(int result) {
    readItems();
    const QString path = programFolder() + sumTableFileName();
    if (!writeSumTableList(path, items_))
        ui::showMessage(QStringLiteral("无法写入文件“%1”，所选的表格没有保存。").arg(QDir::toNativeSeparators(path)));
    QDialog::done(result);
}
