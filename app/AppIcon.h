#pragma once

#include <QIcon>
#include <QLatin1String>
#include <QString>

// One of the program's drawings in app/icons: SVG where Qt draws SVG, a PNG rendered from it at build
// time where it can't (VP_ICON_SUFFIX, set by the build).
inline QIcon AppIcon(const char* name) {
    return QIcon(QStringLiteral(":/icons/%1" VP_ICON_SUFFIX).arg(QLatin1String(name)));
}
