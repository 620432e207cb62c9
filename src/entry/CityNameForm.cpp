#include "entry/CityNameForm.h"

#include "db/Statement.h"
#include "entry/CodeList.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {

enum Role { IdRole = Qt::UserRole, Code1Role, Code2Role, Code3Role, CombNameRole };

int itemValue(const QListWidget* list, Role role) {
    const QListWidgetItem* item = list->currentItem();
    return item ? item->data(role).toInt() : 0;
}

void placeOn(QListWidget* list, int c1, int c2, int c3, bool matchC2, bool matchC3) {
    for (int row = 0; row < list->count(); ++row) {
        const QListWidgetItem* item = list->item(row);
        if (item->data(Code1Role).toInt() == c1 && (!matchC2 || item->data(Code2Role).toInt() == c2)
            && (!matchC3 || item->data(Code3Role).toInt() == c3)) {
            list->setCurrentRow(row);
            return;
        }
    }
    if (list->count() > 0) list->setCurrentRow(0);
}

bool isArrow(int key) { return key == Qt::Key_Left || key == Qt::Key_Up || key == Qt::Key_Right || key == Qt::Key_Down; }

} // namespace

TCityNameForm::TCityNameForm(db::Connection& connection, int startCode, QWidget* parent)
    : QDialog(parent), connection_(connection) {
    setWindowTitle(QStringLiteral("中华人民共和国行政区划"));
    auto* grid = new QGridLayout(this);
    const QString headings[3] = {QStringLiteral("省级地区"), QStringLiteral("地市及直辖市所属区县"),
                                 QStringLiteral("县、市辖区、县级市、旗")};
    for (int i = 0; i < 3; ++i) {
        lists_[i] = new QListWidget(this);
        lists_[i]->setMinimumSize(180, 320);
        lists_[i]->installEventFilter(this);
        grid->addWidget(new QLabel(headings[i], this), 0, i);
        grid->addWidget(lists_[i], 1, i);
    }
    grid->addWidget(new QLabel(QStringLiteral("说明：基于民政部公布的《2018年7月中华人民共和国县以上行政区划代码》编排"), this), 2,
                    0, 1, 3);
    auto* buttons = new QHBoxLayout;
    auto* confirm = new QPushButton(QStringLiteral("确认选择"), this);
    auto* cancel = new QPushButton(QStringLiteral("取消选择"), this);
    buttons->addStretch();
    buttons->addWidget(confirm);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 3, 0, 1, 3);
    connect(confirm, &QPushButton::clicked, this, &TCityNameForm::confirmChoice);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(lists_[0], &QListWidget::itemClicked, this, &TCityNameForm::provinceChosen);
    connect(lists_[1], &QListWidget::itemClicked, this, &TCityNameForm::prefectureChosen);
    connect(lists_[2], &QListWidget::itemDoubleClicked, this, &TCityNameForm::countyDoubleClicked);

    const DivisionParts start = SplitDivisionCode(startCode);
    fill(lists_[0], QStringLiteral("Code2=0 order by Code1"), {});
    placeOn(lists_[0], start.province, 0, 0, false, false);
    fillPrefectures(start.province, start.prefecture);
    fillCounties(start.province, start.prefecture, start.county);
}

void TCityNameForm::fill(QListWidget* list, const QString& where, const QVariantList& params) {
    list->clear();
    db::Statement rows(connection_, QStringLiteral("Select ID, Code1, Code2, Code3, Name, CombName from CT_CityName where ")
                                        + where);
    rows.bindAll(params);
    while (rows.next()) {
        auto* item = new QListWidgetItem(rows.text(4), list);
        item->setData(IdRole, int(rows.integer(0)));
        item->setData(Code1Role, int(rows.integer(1)));
        item->setData(Code2Role, int(rows.integer(2)));
        item->setData(Code3Role, int(rows.integer(3)));
        item->setData(CombNameRole, rows.text(5));
    }
}

void TCityNameForm::fillPrefectures(int c1, int c2) {
    fill(lists_[1], QStringLiteral("Code1=? and Code2<>0 and Code3=0 order by Code2"), {c1});
    placeOn(lists_[1], c1, c2, 0, true, false);
}

void TCityNameForm::fillCounties(int c1, int c2, int c3) {
    fill(lists_[2], QStringLiteral("Code1=? and Code2=? order by Code3"), {c1, c2});
    placeOn(lists_[2], c1, c2, c3, true, true);
}

void TCityNameForm::provinceChosen() {
    const int c1 = itemValue(lists_[0], Code1Role);
    fillPrefectures(c1, 1);
    fillCounties(c1, 1, 0);
}

void TCityNameForm::prefectureChosen() {
    const int c1 = itemValue(lists_[0], Code1Role);
    fillCounties(c1, itemValue(lists_[1], Code2Role), 0);
}

void TCityNameForm::confirmChoice() {
    const QListWidgetItem* county = lists_[2]->currentItem();
    const QString countyName = county ? county->data(CombNameRole).toString().trimmed() : QString();
    if (!countyName.isEmpty()) {
        code_ = county->data(IdRole).toInt();
        name_ = countyName;
    } else if (const QListWidgetItem* province = lists_[0]->currentItem()) {
        code_ = province->data(IdRole).toInt();
        name_ = province->data(CombNameRole).toString().trimmed();
    }
    accept();
}

void TCityNameForm::countyDoubleClicked() {
    const QListWidgetItem* county = lists_[2]->currentItem();
    if (!county) return;
    code_ = county->data(IdRole).toInt();
    name_ = county->data(CombNameRole).toString().trimmed();
    accept();
}

bool TCityNameForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease && isArrow(static_cast<QKeyEvent*>(event)->key())) {
        if (watched == lists_[0]) provinceChosen();
        else if (watched == lists_[1]) prefectureChosen();
    }
    return QDialog::eventFilter(watched, event);
}
