#pragma once

#include "entry/CodeList.h"

#include <QLineEdit>
#include <functional>

class QToolButton;

// A read-only text box with a drop-down button, showing the name of a code.
// Its tag holds the code shown (-1: nothing chosen yet). It cannot be typed
// into, is skipped by the tab order and takes Enter like Tab.
class TButtonEdit final : public QLineEdit {
    Q_OBJECT
public:
    explicit TButtonEdit(QWidget* parent = nullptr);
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    QToolButton* button() const { return button_; }

signals:
    void buttonClicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* button_;
    int tag_ = -1;
};

// Pops the code pick menu up under the edit: one item per entry of the list,
// the entry whose code equals the edit's tag checked. A choice sets the edit's
// text and tag and then calls `chosen` with the code; no choice changes nothing.
void ShowCodePicker(TButtonEdit* edit, const TMenuItemDataArray& list, const std::function<void(int)>& chosen = {});
