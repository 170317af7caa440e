#pragma once
// The game itself: the one owner of the game state and every procedure that
// mixes rules with drawing, sound, pauses and message boxes. The window
// forwards its events here; the platform is reached only through the small
// interfaces it is given, so the whole game runs headless in the tests.

#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "game/dialogs.h"
#include "game/game_state.h"
#include "game/marks.h"
#include "game/pause.h"
#include "game/process_exit.h"
#include "sound/module1.h"
#include "view/view.h"

namespace quintora {

struct Platform {
    Canvas& canvas;
    Dialogs& dialogs;
    Pause& pause;
    SoundLibrary& sound;
    Marks& marks;
    ProcessExit& exit;
};

class Game {
public:
    explicit Game(Platform p);

    GameState& state() { return *s_; }
    const GameState& state() const { return *s_; }
    View& view() { return view_; }

    // Start-up, reset, shutdown.
    void 起動(std::int32_t window);
    void 初期設定();
    void 終了処理();
    [[noreturn]] void 終了();
    void on_key(int character);
    void on_about();  // SONOTA

    // Menu commands of the option menu.
    void on_TEJYUN();
    void on_AICON();
    void on_BGM();

    // Setup commands and the seat rotation.
    void on_JYUNBAN_1();
    void on_JYUNBAN_2();
    void on_JYUNBAN_3();
    void on_JYUNBAN_4();
    void on_PLAY_TOIMEN();
    void on_PLAY_TONARI();
    void on_PLAY_4();
    void 対局_回転(i16& c);

    // A mouse press at (x, y) twips of the client area.
    void on_board_press(double x, double y);

    // History.
    void on_SAISYO();
    void on_MODORU();
    void on_SUSUMU();

    // A computer's turn: the kind of player who holds the next colour, or
    // nothing when the game ended inside the turn.
    std::optional<i16> com_ban(i16& turn);
    void 対局_判定(i16 c);
    void 描画_5並点滅(i16 colour, int x, int y);

    // The settings file.
    void 読込_環境設定ファイル();
    void 読込_環境設定データ();
    void 書込_環境設定ファイル();
    std::string settings_path = "Quintora.ini";

private:
    void set_mode(i16 mode);
    // Paints the new stone, records it and stores the position; shared by a
    // person's and a computer's move.
    void number_previous_stone();
    void redraw_to_step(int t, bool mark_changed);
    void apply_setting(int key, bool on);
    // Writes the three marks (or, failing that, the fallback lines); false
    // when neither could be written.
    bool write_settings();

    std::unique_ptr<GameState> s_;
    Platform p_;
    View view_;
    Module1 module1_;
    std::ifstream settings_in_;
    bool told_settings_unwritable_ = false;  // the user hears it once per run
};

}  // namespace quintora
