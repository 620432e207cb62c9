#pragma once

#include <QString>

// The program's version information.
struct TProductVersion {
    QString productVersion;  // "1.0.<build>"
    int buildNumber = -1;    // -1 when the program carries no version information
};

TProductVersion ReadVersionInfo();

// "开发单位：Quillon　软件版本：1.0 (Build n)" for the status bar.
QString statusVersionText(const TProductVersion& version);
// "版本：1.0 (Build n)" for the about box.
QString aboutVersionText(const TProductVersion& version);
// "<program> 1.0 (Build n)" for the programs' --version.
QString commandVersionText(const QString& program);
