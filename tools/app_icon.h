// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The application icon: a corner of the wooden board with stones of the four
// colours on it, the way the game's own cell pictures draw them.

#include <QDir>
#include <QImage>
#include <QString>

#include <array>

namespace app_icon {

// The sizes a desktop asks of a hicolor theme; each gets its own PNG.
constexpr std::array<int, 7> kSizes{16, 24, 32, 48, 64, 128, 256};

// The icon drawn at size x size pixels. Small sizes get a simpler board with
// fewer and larger stones, so they still read as stones at 16 pixels.
QImage draw(int size);

// Writes THEMEDIR/hicolor/NxN/apps/NAME.png for every size above and
// THEMEDIR/hicolor/scalable/apps/NAME.svg; false after printing the reason.
bool writeAll(const QDir& themeDir, const QString& name);

}  // namespace app_icon
