#pragma once

#include <QWidget>
#include <functional>

class QTableWidget;

// "逻辑错误列表": the broken rules of the record shown in the entry dialog, in a
// light yellow tool window that stays on top. A double click on a finding asks
// the entry dialog to turn to its page and field. Made a child of the entry
// dialog, it takes clicks, the wheel and its close box while the dialog runs modally.
class TMessageListWinForm final : public QWidget {
    Q_OBJECT
public:
    explicit TMessageListWinForm(QWidget* parent = nullptr);

    void addFinding(const QString& rule, const QString& explanation, const QString& focus, int page);
    // Empties and hides the list.
    void clearList();
    bool isEmptyList() const { return !hasErrors_; }
    int findingCount() const;
    // A finding's cells: 1 rule, 2 explanation, 3 page, 4 field.
    QString cell(int row, int column) const;
    // Shows the window at its place (top 500, left 150), raised above an area
    // that `setKeepClear` names when that place would cover it.
    void showList();
    // The screen area (the owner's page tabs and command buttons) the list is not to cover when shown.
    void setKeepClear(std::function<QRect()> area) { keepClear_ = std::move(area); }
    QTableWidget* grid() const { return grid_; }

    // The stay-on-top state, suspended while a message box of the entry dialog shows.
    void setStaysOnTop(bool onTop);

signals:
    void findingActivated(int page, const QString& field);

private:
    void activate(int row);
    QTableWidget* grid_;
    bool hasErrors_ = false;
    std::function<QRect()> keepClear_;
};
