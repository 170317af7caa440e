// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/desktop_identity.h"

#include <QDirIterator>
#include <QGuiApplication>
#include <QIcon>

namespace quintora {

void present_application() {
    QGuiApplication::setDesktopFileName(QStringLiteral(QUINTORA_APP_ID));
    // The icon's sizes, one picture each, as the menu entry's icon theme has
    // them. No name filter: Qt would compile it into a regular expression,
    // and that engine alone costs half a megabyte of memory at start-up.
    QIcon icon;
    QDirIterator it(QStringLiteral(":/icons"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (file.endsWith(QLatin1String(".png"))) icon.addFile(file);
    }
    QGuiApplication::setWindowIcon(icon);
}

}  // namespace quintora
