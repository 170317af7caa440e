// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt_fonts.h"

#include <fontconfig/fontconfig.h>

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>

namespace quintora {

QString board_face_family() {
    // Chosen once: start-up asks twice (captions and canvas), and listing
    // every installed family is not free.
    static const QString chosen = [] {
        const QStringList families = QFontDatabase::families();
        for (const QString& f : {QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("MS PMincho"),
                                 QStringLiteral("IPAPMincho"), QStringLiteral("IPA P明朝")})
            if (families.contains(f)) return f;
        return QStringLiteral("serif");  // still draws every label and number
    }();
    return chosen;
}

QStringList japanese_interface_faces() {
    // The desktop's font configuration says which faces are sans faces: the
    // ones it prefers for "sans-serif" (in Japanese, for configurations that
    // choose by language), listed before the generic name itself. Of those,
    // the ones installed with Japanese glyphs.
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=ja"));
    if (!pattern) return {};
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
    QStringList faces;
    FcChar8* family = nullptr;
    for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &family) == FcResultMatch; ++i) {
        const QString f = QString::fromUtf8(reinterpret_cast<const char*>(family));
        if (f == QLatin1String("sans-serif")) break;  // after it come the last resorts
        if (japanese.contains(f) && !faces.contains(f)) faces << f;
    }
    FcPatternDestroy(pattern);
    return faces;
}

namespace {
// Keeps the desktop's interface font and asks `family` first for the glyphs
// its face lacks: the Japanese ones.
void take_japanese_glyphs_from(const QString& family) {
    QFont font = QApplication::font();
    // The face the default family stands for, not its alias ("Sans Serif"),
    // which a list of families does not resolve.
    font.setFamilies({QFontInfo(font).family(), family});
    QApplication::setFont(font);
}
}  // namespace

// Left to itself, Qt takes the Japanese glyphs of the captions from the
// system's preferred Japanese face. Where that is a Mincho only because no
// sans face is installed, the board's texts would bring a second Mincho: two
// faces of 8 MB mapped and hinted (some 2.5 MiB resident each once kanji are
// drawn) where one serves. The IPA faces share their outlines, so the
// captions look the same.
void take_japanese_glyphs_from_board_face() { take_japanese_glyphs_from(board_face_family()); }

InterfaceFont choose_interface_font() {
    const QStringList sans = japanese_interface_faces();
    if (sans.isEmpty()) {
        take_japanese_glyphs_from_board_face();
        return InterfaceFont::board_face_for_japanese;
    }
    // A Japanese desktop has a sans face for its menus and boxes, and every
    // other program shows it there: so do ours. It is named rather than left
    // to Qt's fallback, which chooses the face for kanji by the locale's
    // language: outside a Japanese locale it took the kanji from a Mincho
    // and the kana from the sans face, in one caption.
    take_japanese_glyphs_from(sans.first());
    return InterfaceFont::desktop;
}

}  // namespace quintora
