#pragma once

#include <QDialog>

class QListWidget;

namespace db {
class Connection;
}

// "中华人民共和国行政区划": the three-level division picker (province,
// prefecture, county). On confirmation it holds the chosen code and full name.
class TCityNameForm final : public QDialog {
    Q_OBJECT
public:
    TCityNameForm(db::Connection& connection, int startCode, QWidget* parent = nullptr);
    int chosenCode() const { return code_; }
    QString chosenName() const { return name_; }

    QListWidget* provinces() const { return lists_[0]; }
    QListWidget* prefectures() const { return lists_[1]; }
    QListWidget* counties() const { return lists_[2]; }
    // The buttons' commands.
    void confirmChoice();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillPrefectures(int c1, int c2);
    void fillCounties(int c1, int c2, int c3);
    void provinceChosen();
    void prefectureChosen();
    void countyDoubleClicked();
    // Fills a list from a query of CT_CityName rows; each item keeps ID, Code1, Code2, Code3 and CombName.
    void fill(QListWidget* list, const QString& where, const QVariantList& params);

    db::Connection& connection_;
    QListWidget* lists_[3];
    int code_ = 110100;
    QString name_ = QStringLiteral("北京市");
};
