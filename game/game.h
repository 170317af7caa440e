// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game itself: the one owner of the game state and every procedure that
// mixes rules with drawing, sound, pauses and message boxes. The window
// forwards its events here; the platform is reached only through the small
// interfaces it is given, so the whole game runs headless in the tests.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "game/commands.h"
#include "game/history_walk.h"
#include "game/journal.h"
#include "game/options.h"
#include "game/platform.h"
#include "ports/thinking.h"
#include "sound/module1.h"
#include "state/cell.h"
#include "state/colour.h"
#include "state/game_state.h"
#include "view/view.h"

namespace quintora {

// How a stone goes down. The two ways differ on purpose: a person's stone is
// on the board before anything is painted and sounds after its mark, at once;
// a computer's stone is painted, pauses, sounds, then gets its mark and a
// short pause, and the board takes it only after the move count is drawn.
struct StoneManner {
    bool board_first;
    double pause_before_sound;  // 0: none
    bool sound_before_mark;
    double pause_after_mark;  // with a refresh before it; 0: none
};
inline constexpr StoneManner by_person{true, 0, false, 0};
inline constexpr StoneManner by_computer{false, 0.5, true, 0.2};

struct SetupCommand;  // one row of the setup table (setup_commands.cpp)

class Game {
public:
    explicit Game(Platform p);
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // The one way in: every press, menu command, Esc and box answer the
    // window takes. The command goes into the journal, then runs.
    void apply(Command c);
    // Everything applied since start-up, the answers to its boxes among them.
    const Journal& journal() const { return journal_; }
    // Plays `journal` into this game (started, with no command yet): its
    // boxes are answered from it and its waits skipped. False when it does
    // not fit the game: a question whose answer is missing or another word.
    // `after_each` is called after each command of the journal.
    bool replay(std::span<const Command> journal, const std::function<void()>& after_each = {});
    // The signature of the position now (game/signature.h), and of the
    // shared game alone: without how this machine shows and sounds it, so
    // that machines of a room with options of their own agree on it.
    std::uint64_t signature() const;
    std::uint64_t shared_signature() const;
    // The refusal sound, for a press this machine may not give (a colour
    // another machine holds is to move).
    void refuse();

    GameState& state() { return *s_; }
    const GameState& state() const { return *s_; }
    View& view() { return view_; }
    Options& options() { return options_; }
    HistoryWalk& history() { return history_; }

    // Start-up, reset, shutdown.
    void 起動(std::int32_t window);
    void 初期設定();
    void 終了処理();
    [[noreturn]] void 終了();
    void on_key(int character);
    void on_about();  // SONOTA
    void on_SAISYO();

    // The strength of every computer colour (強さ): a command of the game,
    // journaled like a stone, and kept in a small file of its own.
    void on_strength(i16 strength);
    // Playing alone, the strength chosen in an earlier run, as a command;
    // nothing when it is the one in play. A room does not call it: there
    // the strength is the room's.
    void restore_strength();
    std::string strength_path = "QuintoraStrength.ini";

    // The setup commands of the 対局 menu.
    void on_JYUNBAN_1();
    void on_JYUNBAN_2();
    void on_JYUNBAN_3();
    void on_JYUNBAN_4();
    void on_PLAY_TOIMEN();
    void on_PLAY_TONARI();
    void on_PLAY_4();
    // Lets the computer colours move until a person's colour is to move.
    void 対局_回転(i16& c);
    // The computer plays the colours of `seats` (a bit per colour, black
    // first) from now on, in this game and the next.
    void hand_to_computer(int seats);

    // A mouse press at (x, y) twips of the client area, and on a cell (or
    // off the field).
    void on_board_press(double x, double y);
    void on_cell_press(std::optional<Cell> cell);

    // A computer's turn: the kind of player who holds the next colour, or
    // nothing when the game ended inside the turn.
    std::optional<i16> com_ban(i16& turn);
    // Told of each computer turn just before its search, with the colour to
    // play: a watcher (the signature line) may read what the computer
    // judges in the position. It must change nothing.
    std::function<void(i16 colour)> before_search;
    // Where the searching strengths think (ports/thinking.h); in place
    // unless the window gives a place of its own.
    void set_thinking(Thinking& thinking) { thinking_ = &thinking; }
    void 対局_判定(i16 c);
    void 描画_5並点滅(i16 colour, int x, int y);

private:
    void run_setup(const SetupCommand& command);
    // Puts a stone down, records it and stores the position; true when it
    // made a five and so ended the game (after the blink and the judgement).
    bool commit_stone(Cell cell, Colour colour, const StoneManner& manner);
    // The last stone before a new one, as the screen shows it.
    struct PreviousStone {
        Cell at;
        i16 colour;
        bool on_board;
        i16 stones;  // stones on the board before the new one
    };
    void show_stone(Cell cell, Colour colour, const StoneManner& manner, const PreviousStone& previous);
    // The turn passes from the colour that just moved to the next, and shows.
    void pass_turn(i16& turn, Colour mover);

    void run(Command c);
    void show_strength();

    std::unique_ptr<GameState> s_;
    int computer_seats_ = 0;  // colours handed to the computer (hand_to_computer)
    Journal journal_;
    bool recording_ = false;  // a command is running
    // Ahead of p_, which hands them out in place of the window's own.
    JournalDialogs dialogs_;
    JournalPause pause_;
    Platform p_;
    View view_;
    Module1 module1_;
    Options options_;
    HistoryWalk history_;
    ThinkingInPlace in_place_;
    Thinking* thinking_ = &in_place_;
};

}  // namespace quintora
