#include "core/Version.h"

#include "core/Version.h.generated"

TProductVersion ReadVersionInfo() { return {QStringLiteral(SURVEY_VERSION_TEXT), SURVEY_BUILD_NUMBER}; }

QString statusVersionText(const TProductVersion& version) {
    return QStringLiteral("开发单位：Quillon\u3000软件版本：1.0 (Build %1)").arg(version.buildNumber);
}

QString aboutVersionText(const TProductVersion& version) {
    return QStringLiteral("版本：1.0 (Build %1)").arg(version.buildNumber);
}

QString commandVersionText(const QString& program) {
    return QStringLiteral("%1 1.0 (Build %2)").arg(program).arg(ReadVersionInfo().buildNumber);
}
