#pragma once

#include <QList>
#include <QWidget>

class QAction;
class QPushButton;
class QVBoxLayout;

// The group bar at the left of the main window: stacked group titles, of which
// one group is open at a time and shows its commands as large pictures with
// captions.
class GroupBar final : public QWidget {
    Q_OBJECT
public:
    explicit GroupBar(QWidget* parent = nullptr);
    void addGroup(const QString& title, const QList<QAction*>& actions);
    void openGroup(int index);
    int openGroupIndex() const { return open_; }
    int groupCount() const { return int(groups_.size()); }

private:
    struct Group {
        QPushButton* title;
        QWidget* items;
    };
    QVBoxLayout* layout_;
    QList<Group> groups_;
    int open_ = -1;
};
