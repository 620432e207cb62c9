#pragma once

#include <QDialog>

class QComboBox;
class QSpinBox;

// "软件参数设置": the user chooses the input method for Chinese text and the
// number of automatic backups kept.
class TdlgOptionSetupForm final : public QDialog {
    Q_OBJECT
public:
    explicit TdlgOptionSetupForm(QWidget* parent = nullptr);
    QComboBox* inputMethods() const { return inputMethods_; }
    QSpinBox* backupsKept() const { return backupsKept_; }
    // "确定": keeps the choice for this run and stores it.
    void accept() override;

private:
    QComboBox* inputMethods_;
    QSpinBox* backupsKept_;
};
