#pragma once

#include <QDialog>
#include <QList>
#include <functional>

class QCheckBox;
class QPushButton;
class QTabWidget;
namespace db {
class Connection;
}

// "自定义列表项": one page per survey sheet with a check box per field; "确  定"
// stores which fields the record lists show and rebuilds the record grid
// through `rebuildGrid`.
class TdlgShowForm final : public QDialog {
    Q_OBJECT
public:
    TdlgShowForm(db::Connection& connection, std::function<void()> rebuildGrid, QWidget* parent);

    void tbOkClick();

private:
    // A page of the tab control whose check boxes scroll when they do not fit.
    QWidget* addPage(const QString& caption, bool white);

    db::Connection& connection_;
    std::function<void()> rebuildGrid_;
    QTabWidget* pages_;
    QPushButton* tbOk_;
    QList<QPair<QCheckBox*, qint64>> boxes_;  // every check box with its field's id, in creation order
};
