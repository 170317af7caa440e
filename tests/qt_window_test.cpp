// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QGlyphRun>
#include <QRawFont>
#include <QRegularExpression>
#include <QTest>
#include <QTextLayout>

#include "app/qt_dialogs.h"
#include "app/qt_form1.h"
#include "support/window_harness.h"

using namespace quintora;
using namespace quintora::testing;

namespace {
struct Window : ::testing::Test {
    std::unique_ptr<WindowHarness> w = std::make_unique<WindowHarness>();
    Log& log = w->log;
    Form1* form = &w->form;
    Window() { form->start(); }
    QRgb pixel(double tx, double ty) const { return form->canvas().surface().pixel(int(tx / 15), int(ty / 15)); }
    void click_cell(int x, int y) {
        const QPoint p(int((800 + 315 * x + 157) / 15), int((450 + 315 * y + 157) / 15));
        QTest::mouseClick(&form->canvas(), Qt::LeftButton, {}, p);
    }
};
}  // namespace

TEST_F(Window, CaptionAndEveryMenuItemWithItsName) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("QuintoraⅠ"));
    const std::pair<const char*, QString> items[] = {
        {"JYUNBAN_1", "黒"}, {"JYUNBAN_2", "青"}, {"JYUNBAN_3", "白"}, {"JYUNBAN_4", "赤"},
        {"PLAY_TOIMEN", "黒　×　白"}, {"PLAY_TONARI", "青　×　赤"}, {"PLAY_4", "4_PLAY"},
        {"SAISYO", "最初"}, {"MODORU", "戻"}, {"SUSUMU", "進"},
        {"TEJYUN", "手順番号表示"}, {"AICON", "ｱｲｺﾝ表示"}, {"BGM", "BGM"},
        {"SONOTA", "その他"}, {"SYURYOU", "終了"}};
    for (const auto& [name, caption] : items) {
        QAction* a = form->action(name);
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(a->text(), caption) << name;
    }
    for (const char* tick : {"TEJYUN", "AICON", "BGM"}) EXPECT_TRUE(form->action(tick)->isCheckable());
    QStringList bar;
    for (QAction* a : form->menuBar()->actions()) bar << a->text();
    EXPECT_EQ(bar, (QStringList{"対局", "局面", "ｵﾌﾟｼｮﾝ", "その他", "終了"}));
    auto* one = form->findChild<QMenu*>("PLAY_1");
    auto* two = form->findChild<QMenu*>("PLAY_2");
    ASSERT_TRUE(one && two);
    EXPECT_EQ(one->title(), "1_PLAY");
    EXPECT_EQ(two->title(), "2_PLAY");
    EXPECT_EQ(one->actions().size(), 4);
    EXPECT_EQ(two->actions().size(), 2);
}

// A compositor matches the window to its menu entry by the desktop file name
// alone; a name without an entry of that name shows a generic icon.
TEST_F(Window, NamesItsMenuEntryAndCarriesTheIconAtEverySize) {
    present_application();
    const QString entry = QStringLiteral(QUINTORA_DESKTOP_DIR "/") + QGuiApplication::desktopFileName() +
                          QStringLiteral(".desktop.in");
    EXPECT_TRUE(QFile::exists(entry)) << entry.toStdString();

    const QIcon icon = form->windowIcon();
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
        const QImage drawn(QStringLiteral(QUINTORA_DESKTOP_DIR "/icons/hicolor/%1x%1/apps/" QUINTORA_APP_ID ".png")
                               .arg(size));
        // The pixmap holds premultiplied pixels; going back to straight alpha
        // rounds, so compare both sides premultiplied.
        EXPECT_EQ(icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                  drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied))
            << size;
    }
}

TEST_F(Window, ClientAreaHoldsTheBoardAndTheStatusTexts) {
    const QImage& s = form->canvas().surface();
    EXPECT_GE(s.width() * 15, 7572.5 + 2200) << "the turn box";
    EXPECT_GE(s.height() * 15, 6735 + 480) << "black's icon below the board";
    EXPECT_EQ(form->minimumSize(), form->maximumSize()) << "fixed size";
    EXPECT_EQ(QColor(pixel(100, 100)), QColor(0, 128, 0));
    // A grid crossing of cell (1,1) is black, its corner wooden.
    const QRgb centre = s.pixel(74 + 10, 51 + 10);
    EXPECT_LT(qRed(centre) + qGreen(centre) + qBlue(centre), 60);
    EXPECT_GT(qRed(s.pixel(74 + 2, 51 + 2)), 180);
    EXPECT_FALSE(form->canvas().font_family().isEmpty());
}

TEST_F(Window, MarkIsALightCyanDiscOfRadiusFiftyTwips) {
    Game& g = form->game();
    g.view().描画_駒(1, 1, colour_red);
    g.view().描画_打駒印(1, 1, mark_colour);
    const QColor c(pixel(1265, 915));
    EXPECT_EQ(c, QColor(0, 255, 255));
    int cyan = 0;
    const QImage& s = form->canvas().surface();
    for (int x = 74; x < 95; ++x)
        for (int y = 51; y < 72; ++y) cyan += s.pixel(x, y) == qRgb(0, 255, 255);
    EXPECT_GE(cyan, 20);  // pi * (50/15)^2 = 35 pixels, the antialiased rim not counted
    EXPECT_LE(cyan, 40);
    g.view().描画_駒(1, 1, colour_red);
    EXPECT_NE(QColor(pixel(1265, 915)), QColor(0, 255, 255)) << "repainting the stone takes the mark away";
}

TEST_F(Window, APressOnTheCanvasPutsTheStoneOnTheSurface) {
    form->game().on_PLAY_4();
    const QRgb before = pixel(800 + 315 * 7 + 200, 450 + 315 * 7 + 230);
    click_cell(7, 7);
    EXPECT_EQ(form->game().state().board[7][7], colour_black);
    const QRgb after = pixel(800 + 315 * 7 + 200, 450 + 315 * 7 + 230);
    EXPECT_NE(before, after);
    EXPECT_LT(qRed(after) + qGreen(after) + qBlue(after), 150) << "a black stone";
}

TEST_F(Window, TicksFollowTheGameNotQtsOwnToggle) {
    QAction* bgm = form->action("BGM");
    EXPECT_TRUE(bgm->isChecked());
    bgm->trigger();
    EXPECT_FALSE(bgm->isChecked());
    EXPECT_FALSE(form->marks().checked(Mark::BGM));
    bgm->trigger();
    EXPECT_TRUE(bgm->isChecked());
    QAction* aicon = form->action("AICON");
    aicon->trigger();
    EXPECT_TRUE(aicon->isChecked());
    EXPECT_TRUE(form->marks().checked(Mark::AICON));
}

TEST_F(Window, OneIconAtItsPlaceAndHidingShowsTheSurfaceAgain) {
    form->action("AICON")->trigger();
    form->game().on_PLAY_4();
    QList<QLabel*> shown;
    for (QLabel* l : form->canvas().findChildren<QLabel*>())
        if (l->isVisibleTo(&form->canvas())) shown << l;
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0]->pos(), QPoint(240, 449)) << "black's seat below the board";
    form->action("AICON")->trigger();
    for (QLabel* l : form->canvas().findChildren<QLabel*>()) EXPECT_FALSE(l->isVisibleTo(&form->canvas()));
}

TEST_F(Window, SurfaceOutlivesACoveringWindow) {
    form->show();
    form->game().on_PLAY_4();
    click_cell(3, 3);
    const QImage before = form->canvas().grab().toImage().convertToFormat(QImage::Format_RGB32);
    {
        QWidget cover;
        cover.setGeometry(form->geometry());
        cover.show();
        QApplication::processEvents();
    }
    form->canvas().repaint();
    const QImage after = form->canvas().grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(before, after);
    EXPECT_EQ(after, form->canvas().surface().convertToFormat(QImage::Format_RGB32));
}

// The real way out: the process ends at once with code 0.
TEST(WindowQuit, EscapeMenuAndCloseEndTheProcessWithZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto quit_by = [](int how) {
        test_app();
        ScratchFolder folder;
        Log log;
        ScriptedDialogs dialogs{log};
        RecordingPause pause{log};
        FakeSound sound{log};
        ImmediateExit exit;
        Form1 form(dialogs, pause, sound, exit);
        form.start();
        QTest::keyClick(&form, Qt::Key_A);  // other keys do nothing
        if (how == 0) QTest::keyClick(&form, Qt::Key_Escape);
        if (how == 1) form.action("SYURYOU")->trigger();
        if (how == 2) form.close();
        std::_Exit(3);  // still running: wrong
    };
    EXPECT_EXIT(quit_by(0), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(quit_by(1), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(quit_by(2), ::testing::ExitedWithCode(0), "");
}

// The column letters are one string whose blanks were fitted to the window's
// face; with the face actually used, each letter must still stand over its column.
TEST_F(Window, ColumnLettersStandOverTheirColumns) {
    QFont font(form->canvas().font_family());
    font.setPixelSize(13);  // 10 pt at 96 dpi
    const QFontMetricsF m(font);
    const QString labels = QString::fromStdString(form->game().view().column_labels());
    const double start = 1241.0 / 15;
    int column = 0;
    for (int i = 0; i < labels.size(); ++i) {
        if (labels[i] == ' ') continue;
        ++column;
        const double centre = start + m.horizontalAdvance(labels.left(i)) + m.horizontalAdvance(labels[i]) / 2;
        const double column_centre = (1115 + 315.0 * (column - 1) + 157.5) / 15;
        EXPECT_NEAR(centre, column_centre, 4.0) << labels[i].toLatin1();
    }
    EXPECT_EQ(column, 19);
}

namespace {

// The faces the captions' glyphs come from, in the application's font.
QStringList caption_faces() {
    QTextLayout layout(QStringLiteral("ｵﾌﾟｼｮﾝ 1_PLAY 対局"), QApplication::font());
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QStringList faces;
    for (const QGlyphRun& run : layout.glyphRuns()) faces << run.rawFont().familyName();
    faces.removeDuplicates();
    faces.sort();
    return faces;
}

// The Japanese sans faces a Japanese desktop has (fonts-noto-cjk,
// fonts-ipafont-gothic, fonts-vlgothic), those of them installed here.
QStringList known_japanese_sans_installed() {
    QStringList known;
    const QStringList installed = QFontDatabase::families(QFontDatabase::Japanese);
    for (const char* f : {"Noto Sans CJK JP", "IPAGothic", "VL Gothic"})
        if (installed.contains(QLatin1String(f))) known << QLatin1String(f);
    return known;
}

}  // namespace

// The desktop's sans faces with Japanese glyphs are found, and no Mincho is
// taken for one: not the board's face, nor any other serif face installed.
TEST(InterfaceFont, KnowsTheInstalledJapaneseSansFacesAndNoMincho) {
    test_app();
    const QStringList faces = japanese_interface_faces();
    for (const QString& known : known_japanese_sans_installed())
        EXPECT_TRUE(faces.contains(known)) << known.toStdString() << " in " << faces.join(", ").toStdString();
    for (const QString& f : faces) {
        EXPECT_FALSE(f.contains(QLatin1String("Mincho")) || f.contains(QStringLiteral("明朝")) ||
                     f.contains(QLatin1String("Serif")))
            << f.toStdString();
        EXPECT_TRUE(QFontDatabase::writingSystems(f).contains(QFontDatabase::Japanese)) << f.toStdString();
    }
    // The faces the project installs for itself are Mincho faces only.
    if (known_japanese_sans_installed().isEmpty() && QFontDatabase::families(QFontDatabase::Japanese).size() ==
                                                        QFontDatabase::families(QFontDatabase::Japanese)
                                                            .filter(QRegularExpression("Mincho|明朝"))
                                                            .size()) {
        EXPECT_TRUE(faces.isEmpty()) << faces.join(", ").toStdString();
    }
}

// Where the desktop has a Japanese sans face, the captions keep the desktop's
// font and take all their Japanese glyphs from its first Japanese sans face,
// whatever the locale (left to Qt, kanji outside a Japanese locale came from
// a Mincho). Where it has none, they take them from the board's face: left
// to the system they came from its preferred Japanese face, a second Mincho
// beside the board's. Latin letters keep the default face.
TEST(InterfaceFont, CaptionsFollowTheDesktopOrTakeJapaneseFromTheBoardFace) {
    test_app();
    const QFont before = QApplication::font();
    const QString latin_face = QFontInfo(before).family();
    const InterfaceFont chosen = choose_interface_font();
    const QFont after = QApplication::font();
    const QStringList faces = caption_faces();
    QApplication::setFont(before);
    EXPECT_EQ(after.pointSizeF(), before.pointSizeF());
    EXPECT_EQ(after.weight(), before.weight());
    const QStringList sans = japanese_interface_faces();
    if (!sans.isEmpty()) {
        EXPECT_EQ(chosen, InterfaceFont::desktop);
        QStringList want{latin_face, sans.first()};  // one face where the desktop's has Japanese
        want.removeDuplicates();
        want.sort();
        EXPECT_EQ(faces.join(", ").toStdString(), want.join(", ").toStdString());
    } else {
        EXPECT_EQ(chosen, InterfaceFont::board_face_for_japanese);
        QStringList want{latin_face, board_face_family()};
        want.sort();
        EXPECT_EQ(faces.join(", ").toStdString(), want.join(", ").toStdString());
    }
}
