#include "summary/GroupListForm.h"

#include "core/Progress.h"
#include "core/Prompt.h"
#include "summary/GroupGrid.h"
#include "summary/GroupItemForm.h"
#include "summary/GroupingFile.h"
#include "summary/Groupings.h"
#include "widgets/DialogParts.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

void ShowGroupListDialog(db::Connection& connection, QWidget* parent) {
    TdlgGroupListForm dialog(connection, parent);
    dialog.exec();
}

TdlgGroupListForm::TdlgGroupListForm(db::Connection& connection, QWidget* parent)
    : QDialog(parent), connection_(connection) {
    setWindowTitle(QStringLiteral("自定义分组列表"));
    grid_ = new GroupGridView({{QStringLiteral("Name"), QStringLiteral("名称"), 260}}, this);
    grid_->setObjectName(QStringLiteral("GroupGrid"));
    tbAdd_ = MakeNonDefaultButton(this, "tbAdd", QStringLiteral("增  加"));
    tbRemove_ = MakeNonDefaultButton(this, "tbRemove", QStringLiteral("除  去"));
    tbEdit_ = MakeNonDefaultButton(this, "tbEdit", QStringLiteral("修  改"));
    btnImport_ = MakeNonDefaultButton(this, "btnImport", QStringLiteral("导  入"));
    btnExport_ = MakeNonDefaultButton(this, "btnExport", QStringLiteral("导  出"));
    tbReturn_ = MakeNonDefaultButton(this, "tbReturn", QStringLiteral("返  回"));

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {tbAdd_, tbRemove_, tbEdit_, btnImport_, btnExport_}) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(tbReturn_);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);
    resize(420, 320);

    connect(tbAdd_, &QPushButton::clicked, this, &TdlgGroupListForm::tbAddClick);
    connect(tbRemove_, &QPushButton::clicked, this, &TdlgGroupListForm::tbRemoveClick);
    connect(tbEdit_, &QPushButton::clicked, this, &TdlgGroupListForm::tbEditClick);
    connect(grid_, &GroupGridView::doubleClicked, this, &TdlgGroupListForm::tbEditClick);
    connect(btnImport_, &QPushButton::clicked, this, &TdlgGroupListForm::btnImportClick);
    connect(btnExport_, &QPushButton::clicked, this, &TdlgGroupListForm::btnExportClick);
    connect(tbReturn_, &QPushButton::clicked, this, &QDialog::accept);

    requery();
    updateButtons();
}

void TdlgGroupListForm::requery(qint64 id) {
    RunShowingErrors([&] {
        if (groups_.isOpen()) groups_.requery(QStringLiteral("ID"));
        else groups_.open(connection_, groupListSql());
        if (id > 0) groups_.locate(QStringLiteral("ID"), id);
    });
    grid_->attach(&groups_);
}

void TdlgGroupListForm::updateButtons() {
    const bool hasRows = groups_.isOpen() && !groups_.isEmpty();
    tbRemove_->setEnabled(hasRows);
    tbEdit_->setEnabled(hasRows);
}

void TdlgGroupListForm::tbAddClick() {
    QString name;
    do {
        if (!ui::prompter().inputText(QStringLiteral("自定义分组"), QStringLiteral("输入本种分组方式的名称"), name)) return;
    } while (name.isEmpty());
    qint64 id = 0;
    if (!RunShowingErrors([&] { id = AddGrouping(connection_, name); })) return;
    requery(id);
    updateButtons();
    openEditor(id, name);
}

void TdlgGroupListForm::tbRemoveClick() {
    if (!groups_.isOpen() || groups_.isEmpty() || groups_.atEnd()) return;
    if (!ui::askYesNo(QStringLiteral("数据将被彻底删除，确认么？"))) return;
    RunShowingErrors([&] { DeleteGrouping(connection_, groups_.integer(QStringLiteral("ID"))); });
    requery();
    updateButtons();
}

void TdlgGroupListForm::tbEditClick() {
    if (!groups_.isOpen() || groups_.isEmpty() || groups_.atEnd()) return;
    openEditor(groups_.integer(QStringLiteral("ID")), groups_.text(QStringLiteral("Name")));
}

void TdlgGroupListForm::btnImportClick() {
    const QString path = ChooseGroupingImportFile();
    if (path.isEmpty()) return;
    ImportGroupings(connection_, path, ui::progress());
    requery();
    updateButtons();
}

void TdlgGroupListForm::btnExportClick() {
    const QString path = ChooseGroupingExportFile();
    if (!path.isEmpty()) ExportGroupings(connection_, path, ui::progress());
}

void TdlgGroupListForm::openEditor(qint64 id, const QString& name) {
    TdlgGroupItemForm editor(connection_, id, name, [this, id] { requery(id); }, this);
    editor.exec();
}
