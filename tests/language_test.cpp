// SPDX-License-Identifier: GPL-3.0-or-later
// The player's language: chosen from the environment, English through the
// catalog, and the Japanese source byte for byte when no catalog is asked for.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <optional>

#include "app/program.h"
#include "app/qt_dialogs.h"
#include "app/qt_form1.h"
#include "lang/language.h"
#include "support/window_harness.h"

using namespace quintora;
using namespace quintora::testing;

namespace {

// Sets the language variables for one test, and puts them back afterwards.
class Environment {
public:
    Environment(std::initializer_list<std::pair<const char*, const char*>> vars) {
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
            const char* v = std::getenv(name);
            saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
            ::unsetenv(name);
        }
        for (const auto& [name, value] : vars) ::setenv(name, value, 1);
    }
    ~Environment() {
        for (const auto& [name, value] : saved_)
            value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
        lang::choose("C");
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

struct Box {
    QString title, text;
    friend bool operator==(const Box&, const Box&) = default;
    friend std::ostream& operator<<(std::ostream& o, const Box& b) {
        return o << "[" << b.title.toStdString() << "] " << b.text.toStdString();
    }
};

// The real window with the real message boxes, each answered with Return
// once it is up: the player's keyboard, and the box's default button.
struct RealBoxes {
    QApplication& app = test_app();
    ScratchFolder folder;
    Log log;
    QtDialogs dialogs;
    RecordingPause pause{log};
    FakeSound sound{log};
    ThrowingExit exit{log};
    Form1 form{dialogs, pause, sound, exit};
    std::vector<Box> boxes;
    QStringList yes_no;  // the question's buttons
    QTimer answerer;

    RealBoxes() {
        dialogs.set_parent(&form);
        answerer.setInterval(5);
        QObject::connect(&answerer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box->property("answered").toBool()) return;
            box->setProperty("answered", true);
            boxes.push_back({box->windowTitle(), box->text()});
            if (QAbstractButton* yes = box->button(QMessageBox::Yes)) yes_no = {yes->text(), box->button(QMessageBox::No)->text()};
            QTest::keyClick(box, Qt::Key_Return);
        });
        answerer.start();
        form.start();
    }
    void click(int x, int y) {
        QTest::mouseClick(&form.canvas(), Qt::LeftButton, {},
                          QPoint(int((800 + 315 * x + 157) / 15), int((450 + 315 * y + 157) / 15)));
    }
    // A press before any setup, a step back at the start, the press that
    // resumes, and black's five with 続けますか？.
    void play() {
        click(3, 3);
        form.action("PLAY_4")->trigger();
        form.action("MODORU")->trigger();
        click(6, 10);  // only resumes
        for (int x = 6; x <= 10; ++x) {
            click(x, 10);  // black, five at the last
            if (x == 10) break;
            click(x, 3);
            click(x, 5);
            click(x, 7);
        }
    }
    QStringList captions() const {
        QStringList all;
        for (QAction* a : form.menuBar()->actions()) {
            all << a->text();
            if (QMenu* m = a->menu())
                for (QAction* b : m->actions()) {
                    if (!b->isSeparator()) all << b->text();
                    if (QMenu* sub = b->menu())
                        for (QAction* c : sub->actions()) all << c->text();
                }
        }
        return all;
    }
};

bool has_japanese(const QString& s) {
    for (const QChar c : s)
        if (c.unicode() >= 0x3000) return true;
    return false;
}

}  // namespace

TEST(Language, ChosenFromTheEnvironmentAsTheDesktopsProgramsDo) {
    EXPECT_EQ(lang::choose("en_GB.UTF-8"), "en");
    EXPECT_EQ(lang::choose("fr:en"), "en") << "the first with a catalog";
    EXPECT_EQ(lang::choose("ja_JP.UTF-8:en"), "ja");
    EXPECT_EQ(lang::choose("C"), "ja");
    EXPECT_EQ(lang::choose("de"), "ja") << "no catalog: the source";
    {
        Environment env{{"LANG", "ja_JP.UTF-8"}, {"LC_MESSAGES", "en_US.UTF-8"}};
        EXPECT_EQ(lang::choose_from_environment(), "en");
    }
    {
        Environment env{{"LANGUAGE", "en"}, {"LC_ALL", "C"}};
        EXPECT_EQ(lang::choose_from_environment(), "en") << "LANGUAGE comes first";
    }
    {
        Environment env{{"LC_ALL", "C"}};
        EXPECT_EQ(lang::choose_from_environment(), "ja");
    }
}

TEST(Language, TranslatesWholeTextsAndTheRestAfterAFilesName) {
    Environment env{{"LANGUAGE", "en"}};
    lang::choose_from_environment();
    EXPECT_EQ(lang::tr("続けますか？"), "Play again?");
    EXPECT_EQ(lang::tr("「禁止.wav」を開けません。"), "\"禁止.wav\" cannot be opened.");
    EXPECT_EQ(lang::tr("「禁止.wav」: ファイルが空です。"), "\"禁止.wav\": The file is empty.");
    EXPECT_EQ(lang::tr(" 12 "), " 12 ") << "no catalog entry: the text itself";
    // Once left in Japanese: the facing players' box, the disk's two reasons.
    EXPECT_EQ(lang::tr("下の番です"), "The player at the bottom moves first.");
    EXPECT_EQ(lang::tr("ディスクに空きがありません。"), "The disk is full.");
    EXPECT_EQ(lang::tr("ファイルの大きさの上限を超えています。"), "The file is larger than the system allows.");
    // The move's number goes inside its word: "Move 12", not "12 moves".
    EXPECT_TRUE(lang::numbers_go_inside_words());
    EXPECT_EQ(lang::with_number("手目", " 12 "), "Move 12");
    EXPECT_EQ(lang::with_number("思考中", " 12 "), std::nullopt);
    lang::choose("C");
    EXPECT_EQ(lang::tr("続けますか？"), "続けますか？");
    EXPECT_FALSE(lang::numbers_go_inside_words()) << "Japanese: the number drawn as it comes";
}

// The same game twice through the real boxes: in the C locale every text is
// the game's own, byte for byte; under LANGUAGE=en every box and every
// caption of the menus is English.
TEST(Language, TheCLocaleKeepsEveryTextByteForByte) {
    Environment env{{"LC_ALL", "C"}};
    lang::choose_from_environment();
    RealBoxes w;
    use_qt_words(lang::current());
    w.play();
    const std::vector<Box> expected{{"開始", "「対局」で始めて下さい"},
                                    {"Quintora", "黒の番です"},
                                    {"戻る", "戻れません"},
                                    {"再開", "OKですか？"},
                                    {"再開", "黒の番です"},
                                    {"Quintora", "　黒の勝ち！！"},
                                    {"再ゲーム", "続けますか？"}};
    EXPECT_EQ(w.boxes, expected);
    EXPECT_EQ(w.yes_no, QStringList({"はい(&Y)", "いいえ(&N)"})) << "Qt's own words in Japanese too";
    use_qt_words("en");
    QStringList table;
    for (const MenuEntry& e : menu_table())
        if (e.row != MenuRow::end && e.row != MenuRow::separator) table << QString::fromUtf8(e.caption);
    EXPECT_EQ(w.captions(), table);
}

TEST(Language, UnderLanguageEnEveryBoxAndCaptionIsEnglish) {
    Environment env{{"LANGUAGE", "en"}, {"LC_ALL", "C"}};
    lang::choose_from_environment();
    RealBoxes w;
    w.play();
    const std::vector<Box> expected{{"Start", "Start a game from the Game menu."},
                                    {"Quintora", "Black to move."},
                                    {"Back", "Cannot go back."},
                                    {"Resume", "Ready?"},
                                    {"Resume", "Black to move."},
                                    {"Quintora", "Black wins!!"},
                                    {"New Game", "Play again?"}};
    EXPECT_EQ(w.boxes, expected);
    const QStringList captions = w.captions();
    EXPECT_EQ(captions.size(), 25);  // 20, and 強さ with its four strengths
    for (const QString& c : captions) EXPECT_FALSE(has_japanese(c)) << c.toStdString();
    EXPECT_EQ(captions.first(), "Game");
    // The game itself still speaks Japanese: its log, its journal.
    EXPECT_EQ(w.form.game().journal().back(), Command::of(CommandKind::yes));
}
