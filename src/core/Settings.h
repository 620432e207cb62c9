#pragma once

#include <QString>

// The program's settings keep the layout of the registry it was designed for:
// a root, a key path with backslashes and named values. They are stored with
// QSettings in one INI file per user; the key path becomes the group.
enum class SettingsRoot { LocalMachine, CurrentUser };

QString ReadSettingText(const QString& name, const QString& defaultText, SettingsRoot root, const QString& key);
int ReadSettingInteger(const QString& name, int defaultValue, SettingsRoot root, const QString& key);
void WriteSettingText(const QString& name, const QString& text, SettingsRoot root, const QString& key);
void WriteSettingInteger(const QString& name, int value, SettingsRoot root, const QString& key);
void WriteSettingBool(const QString& name, bool flag, SettingsRoot root, const QString& key);

// Start-up: fixes the application key and writes the defaults of a new
// installation (while "Version" is missing) or reads the stored preferences.
void InitSettings(const QString& applicationName);

// "\SOFTWARE\Quillon\" + application name, set by InitSettings.
QString applicationKey();
// The subkeys under the application key.
QString environmentKey();  // "\Options\EnvSetting"
QString dataKey();         // "\Data"

// The preferred input method for Chinese text, held for the whole run.
QString preferredInputMethod();
void setPreferredInputMethod(const QString& name);

// The application name the program runs under.
inline QString programApplicationName() { return QStringLiteral("Varnel_基层以上（离线工具）"); }
