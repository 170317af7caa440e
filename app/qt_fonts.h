// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The faces of the board's texts and of the menus and message boxes.

#include <QString>
#include <QStringList>

namespace quintora {

// The face the board's texts are drawn in: the window's own face when it is
// installed, else the metric-compatible IPA face.
QString board_face_family();
// The installed faces with Japanese glyphs that the desktop's font
// configuration takes for sans faces (Noto Sans CJK JP, IPAGothic, ...), in
// its order of preference; none on a desktop with Mincho faces only.
QStringList japanese_interface_faces();
// Makes the board's face the first one asked for the Japanese glyphs of the
// menus and message boxes.
void take_japanese_glyphs_from_board_face();
// The menus and message boxes follow the desktop's interface font, with
// their Japanese glyphs from the desktop's first Japanese interface face;
// only where none is installed do they take them from the board's face
// (which the board maps anyway) instead of a second Mincho. Call before the
// first widget is made.
enum class InterfaceFont { desktop, board_face_for_japanese };
InterfaceFont choose_interface_font();

}  // namespace quintora
