#pragma once

#include <QDialog>

class QComboBox;

// "软件参数设置": the user chooses the input method for Chinese text.
class TdlgOptionSetupForm final : public QDialog {
    Q_OBJECT
public:
    explicit TdlgOptionSetupForm(QWidget* parent = nullptr);
    QComboBox* inputMethods() const { return inputMethods_; }
    // "确定": keeps the choice for this run and stores it.
    void accept() override;

private:
    QComboBox* inputMethods_;
};
