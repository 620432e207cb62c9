#pragma once

#include <QList>
#include <QWidget>

class QAction;
class QPushButton;
class QScrollArea;
class QToolButton;
class QVBoxLayout;

// The group bar at the left of the main window: stacked group titles, of which
// one group is open at a time and shows its commands as large pictures with
// captions. A caption wider than the bar breaks into lines that fit it.
class GroupBar final : public QWidget {
    Q_OBJECT
public:
    explicit GroupBar(QWidget* parent = nullptr);
    void addGroup(const QString& title, const QList<QAction*>& actions);
    void openGroup(int index);
    int openGroupIndex() const { return open_; }
    int groupCount() const { return int(groups_.size()); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Command {
        QToolButton* button;
        QString caption;  // unbroken
    };
    struct Group {
        QPushButton* title;
        QScrollArea* items;
        QList<Command> commands;
    };
    // Breaks the captions of a group's buttons to the width its items have.
    void wrapCaptions(const Group& group);
    QVBoxLayout* layout_;
    QList<Group> groups_;
    int open_ = -1;
};
