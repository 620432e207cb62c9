#include "widgets/RecordChoiceBox.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>

namespace {

QRadioButton* makeOption(QWidget* parent, const char* name, const QString& caption, int top) {
    auto* option = new QRadioButton(caption, parent);
    option->setObjectName(QLatin1String(name));
    option->setGeometry(16, top, 200, 22);
    return option;
}

QLineEdit* makeCodeEdit(QWidget* parent, const char* name, int left) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(left, 104, 104, 22);
    edit->setMaxLength(12);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    return edit;
}

} // namespace

RecordChoiceBox::RecordChoiceBox(const QString& title, QWidget* parent)
    : QGroupBox(title, parent),
      selected_(makeOption(this, "Selected", QStringLiteral("选中的数据"), 22)),
      allRecords_(makeOption(this, "AllRecord", QStringLiteral("所有的数据"), 48)),
      range_(makeOption(this, "Range", QStringLiteral("指定单位编号的范围"), 74)) {
    setGeometry(10, 8, 296, 148);
    selected_->setChecked(true);
    (new QLabel(QStringLiteral("从"), this))->setGeometry(16, 106, 16, 18);
    firstCode_ = makeCodeEdit(this, "c901_1", 34);
    (new QLabel(QStringLiteral("到"), this))->setGeometry(148, 106, 16, 18);
    lastCode_ = makeCodeEdit(this, "c901_2", 166);
}
