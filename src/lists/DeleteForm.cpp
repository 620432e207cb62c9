#include "lists/DeleteForm.h"

#include "db/RecordSet.h"
#include "lists/DeleteRecords.h"
#include "lists/RecordDeletion.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>

namespace {

QLineEdit* makeCodeEdit(QWidget* parent, const char* name, int left) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(left, 104, 104, 22);
    edit->setMaxLength(12);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    return edit;
}

} // namespace

TdlgDeleteForm::TdlgDeleteForm(db::Connection& connection, db::RecordSet& list, RecordGridView& grid,
                               std::function<void()> rerunList, QWidget* parent)
    : QDialog(parent), connection_(connection), list_(list), grid_(grid), rerunList_(std::move(rerunList)) {
    setWindowTitle(QStringLiteral("选择删除的方式"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(420, 168);

    auto* choice = new QGroupBox(QStringLiteral("删除的内容"), this);
    choice->setGeometry(10, 8, 296, 148);
    selected_ = new QRadioButton(QStringLiteral("选中的数据"), choice);
    allRecord_ = new QRadioButton(QStringLiteral("所有的数据"), choice);
    range_ = new QRadioButton(QStringLiteral("指定单位编号的范围"), choice);
    selected_->setObjectName(QStringLiteral("Selected"));
    allRecord_->setObjectName(QStringLiteral("AllRecord"));
    range_->setObjectName(QStringLiteral("Range"));
    selected_->setGeometry(16, 22, 200, 22);
    allRecord_->setGeometry(16, 48, 200, 22);
    range_->setGeometry(16, 74, 200, 22);
    selected_->setChecked(true);
    (new QLabel(QStringLiteral("从"), choice))->setGeometry(16, 106, 16, 18);
    firstCode_ = makeCodeEdit(choice, "c901_1", 34);
    (new QLabel(QStringLiteral("到"), choice))->setGeometry(148, 106, 16, 18);
    lastCode_ = makeCodeEdit(choice, "c901_2", 166);

    auto* tbDelete = new QPushButton(QStringLiteral("删  除"), this);
    tbDelete->setObjectName(QStringLiteral("tbDelete"));
    tbDelete->setGeometry(318, 14, 92, 28);
    tbDelete->setDefault(true);
    auto* tbReturn = new QPushButton(QStringLiteral("返  回"), this);
    tbReturn->setObjectName(QStringLiteral("tbReturn"));
    tbReturn->setGeometry(318, 124, 92, 28);
    connect(tbDelete, &QPushButton::clicked, this, &TdlgDeleteForm::tbDeleteClick);
    connect(tbReturn, &QPushButton::clicked, this, &TdlgDeleteForm::reject);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TdlgDeleteForm::tbDeleteClick() {
    if (deleteChosenRecords() && list_.isOpen()) rerunList_();
}

bool TdlgDeleteForm::deleteChosenRecords() {
    if (selected_->isChecked()) {
        if (!list_.isOpen()) return false;
        DeleteSelectedRecords(grid_, connection_, list_, QStringLiteral("dt_data"), QStringLiteral("c901"));
        return true;
    }
    if (allRecord_->isChecked()) return DeleteAllRecords(connection_);
    QString upperText = lastCode_->text();
    const bool deleted = DeleteRecordRange(connection_, firstCode_->text(), upperText);
    lastCode_->setText(upperText);
    return deleted;
}
