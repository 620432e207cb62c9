#pragma once

#include <QDialog>

class QLabel;
class QToolButton;

// The question dialog with up to four answers: "是", "否", "全都是", "全都否".
// Its width follows the question text.
class TQuestionDlg final : public QDialog {
    Q_OBJECT
public:
    TQuestionDlg(const QString& text, int buttons, QWidget* parent = nullptr);
    // The answer given (a ui::QuestionAnswer); cancel until a button is pressed.
    int answer() const { return answer_; }
    // Sizes the window to the text and places the buttons in the bottom right corner.
    void layoutForText();
    QToolButton* button(int flag) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* label_;
    QWidget* toolbar_;
    QList<QToolButton*> buttons_;
    int answer_;
};
