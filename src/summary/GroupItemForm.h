#pragma once

#include "db/RecordSet.h"
#include "summary/Groupings.h"

#include <QDialog>
#include <functional>

class GroupGridView;
class QLineEdit;
class QPushButton;
class TButtonEdit;
class TNumericEdit;

// "自定义分组": the name of one grouping and its items. The item fields take a
// title and the two bounds with their symbols; "增  加" stores them as a new
// item, "修  改" over the current one. A click on a column title sorts the items
// and stores that order for the summary.
class TdlgGroupItemForm final : public QDialog {
    Q_OBJECT
public:
    // `renamed` runs after the grouping's name was saved.
    TdlgGroupItemForm(db::Connection& connection, qint64 groupId, const QString& name, std::function<void()> renamed,
                      QWidget* parent);

    void tbSaveClick();
    void actAddItemExecute();
    void tbEditClick();
    void tbRemoveClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Copies the current item into the item fields (an empty list leaves them).
    void loadCurrentItem();
    GroupItem editedItem() const;
    // "增  加" needs a title and a lower bound below the upper one; "修  改" and
    // "除  去" need an item besides.
    void updateItemActions();
    void requeryItems(qint64 itemId = 0);
    bool hasItems() const;

    db::Connection& connection_;
    const qint64 groupId_;
    std::function<void()> renamed_;
    db::RecordSet items_;
    QLineEdit* groupName_;
    QPushButton* tbSave_;
    GroupGridView* grid_;
    QLineEdit* name_;
    TButtonEdit* leftSymbol_;
    TNumericEdit* lowBoundary_;
    TButtonEdit* rightSymbol_;
    TNumericEdit* highBoundary_;
    QPushButton* actAddItem_;
    QPushButton* tbEdit_;
    QPushButton* tbRemove_;
    QPushButton* tbReturn_;
};
