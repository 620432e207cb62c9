#include "core/Settings.h"

#include "core/Platform.h"

#include <QSettings>

namespace {

QString appKey;
QString imePrefer;

QString groupOf(SettingsRoot root, const QString& key) {
    QString path = key;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (path.startsWith(QLatin1Char('/'))) path.remove(0, 1);
    return (root == SettingsRoot::LocalMachine ? QStringLiteral("HKEY_LOCAL_MACHINE/")
                                               : QStringLiteral("HKEY_CURRENT_USER/"))
           + path;
}

// Opens the store at one key; the store is written back when it goes out of scope.
class SettingsKey {
public:
    SettingsKey(SettingsRoot root, const QString& key)
        : settings_(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quillon"), QStringLiteral("registry")) {
        settings_.beginGroup(groupOf(root, key));
    }
    QSettings* operator->() { return &settings_; }

private:
    QSettings settings_;
};

} // namespace

QString ReadSettingText(const QString& name, const QString& defaultText, SettingsRoot root, const QString& key) {
    const QString text = SettingsKey(root, key)->value(name).toString();
    return text.isEmpty() ? defaultText : text;
}

int ReadSettingInteger(const QString& name, int defaultValue, SettingsRoot root, const QString& key) {
    bool ok = false;
    const int value = SettingsKey(root, key)->value(name).toInt(&ok);
    return ok ? value : defaultValue;
}

void WriteSettingText(const QString& name, const QString& text, SettingsRoot root, const QString& key) {
    SettingsKey(root, key)->setValue(name, text);
}

void WriteSettingInteger(const QString& name, int value, SettingsRoot root, const QString& key) {
    SettingsKey(root, key)->setValue(name, value);
}

void WriteSettingBool(const QString& name, bool flag, SettingsRoot root, const QString& key) {
    WriteSettingInteger(name, flag ? 1 : 0, root, key);
}

QString applicationKey() { return appKey; }
QString environmentKey() { return appKey + QStringLiteral("\\Options\\EnvSetting"); }
QString dataKey() { return appKey + QStringLiteral("\\Data"); }

QString preferredInputMethod() { return imePrefer; }
void setPreferredInputMethod(const QString& name) { imePrefer = name; }

void InitSettings(const QString& applicationName) {
    constexpr SettingsRoot root = SettingsRoot::LocalMachine;
    appKey = QStringLiteral("\\SOFTWARE\\Quillon\\") + applicationName;
    if (ReadSettingText(QStringLiteral("Version"), QStringLiteral("000"), root, appKey) != QLatin1String("000")) {
        imePrefer = ReadSettingText(QStringLiteral("ImePrefer"), QString(), root, environmentKey());
        ReadSettingInteger(QStringLiteral("InputWndStyle"), 0, root, environmentKey());  // nothing depends on it
        return;
    }
    WriteSettingText(QStringLiteral("ServicePack"), QStringLiteral("None"), root, appKey);
    WriteSettingText(QStringLiteral("FilePath"), programFolder(), root, appKey);
    WriteSettingInteger(QStringLiteral("AppTyp"), 1, root, appKey);
    WriteSettingText(QStringLiteral("ImePrefer"), QString(), root, environmentKey());
    WriteSettingInteger(QStringLiteral("InputWndStyle"), 0, root, environmentKey());
    imePrefer.clear();
}
