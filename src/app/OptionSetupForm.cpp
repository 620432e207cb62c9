#include "app/OptionSetupForm.h"

#include "core/AutoBackup.h"
#include "core/Platform.h"
#include "core/Settings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// A list that reads the installed input methods each time it drops down.
class InputMethodList final : public QComboBox {
public:
    using QComboBox::QComboBox;
    void showPopup() override {
        const QString chosen = currentText();
        clear();
        addItems(installedInputMethods());
        setCurrentIndex(findText(chosen));
        QComboBox::showPopup();
    }
};

} // namespace

TdlgOptionSetupForm::TdlgOptionSetupForm(QWidget* parent) : QDialog(parent), inputMethods_(new InputMethodList(this)), backupsKept_(new QSpinBox(this)) {
    setWindowTitle(QStringLiteral("软件参数设置"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    auto* tabs = new QTabWidget(this);
    auto* page = new QWidget(tabs);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(new QLabel(QStringLiteral("选择使用的输入法:"), page));
    pageLayout->addWidget(inputMethods_);
    pageLayout->addWidget(new QLabel(QStringLiteral("自动备份保留的份数（0为不做自动备份）:"), page));
    backupsKept_->setRange(0, 999);
    backupsKept_->setValue(autoBackupsKept());
    pageLayout->addWidget(backupsKept_);
    pageLayout->addStretch();
    tabs->addTab(page, QStringLiteral("软件环境"));
    // The list shows the current preference until it drops down; typing is not possible.
    inputMethods_->addItem(preferredInputMethod());

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    setFixedSize(360, 250);
}

void TdlgOptionSetupForm::accept() {
    const QString chosen = inputMethods_->currentText();
    setPreferredInputMethod(chosen);
    WriteSettingText(QStringLiteral("ImePrefer"), chosen, SettingsRoot::LocalMachine, environmentKey());
    WriteSettingText(QStringLiteral("OrganisationName"), QString(), SettingsRoot::LocalMachine, environmentKey());
    WriteSettingInteger(QStringLiteral("ImportPrinciple"), 0, SettingsRoot::LocalMachine, environmentKey());
    setAutoBackupsKept(backupsKept_->value());
    QDialog::accept();
}
