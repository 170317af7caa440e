// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/game.h"

#include "game/signature.h"

namespace quintora {

Game::Game(Platform p)
    : s_(std::make_unique<GameState>()),
      dialogs_(p.dialogs, journal_),
      pause_(p.pause),
      p_(Platform{p.canvas, dialogs_, pause_, p.sound, p.marks, p.exit, p.storage}),
      view_(p.canvas, *s_, p.marks),
      module1_(p.sound, p.dialogs, p.storage),
      options_(p_, view_, module1_, *s_),
      history_(p_, view_, module1_, *s_) {
    dialogs_.on_escape = [this] { 終了(); };
}

std::uint64_t Game::signature() const { return position_signature(*s_, p_.marks, computer_seats_); }
std::uint64_t Game::shared_signature() const { return shared_position_signature(*s_, computer_seats_); }

void Game::refuse() { module1_.play(s_->snd_forbidden); }

void Game::apply(Command c) {
    journal_.push_back(c);
    // Commands may nest: an Esc the window finds waiting before a box opens
    // comes inside the command that opens the box.
    const bool outer = !recording_;
    recording_ = true;
    dialogs_.set_recording(true);
    run(c);
    if (outer) {
        recording_ = false;
        dialogs_.set_recording(false);
    }
}

void Game::run(Command c) {
    switch (c.kind) {
        case CommandKind::press: on_cell_press(c.cell()); break;
        case CommandKind::JYUNBAN_1: on_JYUNBAN_1(); break;
        case CommandKind::JYUNBAN_2: on_JYUNBAN_2(); break;
        case CommandKind::JYUNBAN_3: on_JYUNBAN_3(); break;
        case CommandKind::JYUNBAN_4: on_JYUNBAN_4(); break;
        case CommandKind::PLAY_TOIMEN: on_PLAY_TOIMEN(); break;
        case CommandKind::PLAY_TONARI: on_PLAY_TONARI(); break;
        case CommandKind::PLAY_4: on_PLAY_4(); break;
        case CommandKind::SAISYO: on_SAISYO(); break;
        case CommandKind::MODORU: history_.on_MODORU(); break;
        case CommandKind::SUSUMU: history_.on_SUSUMU(); break;
        case CommandKind::TEJYUN: options_.on_TEJYUN(); break;
        case CommandKind::AICON: options_.on_AICON(); break;
        case CommandKind::BGM: options_.on_BGM(); break;
        case CommandKind::NYUMON: on_strength(strength_beginner); break;
        case CommandKind::HYOJUN: on_strength(strength_standard); break;
        case CommandKind::JYOKYU: on_strength(strength_expert); break;
        case CommandKind::MEIJIN: on_strength(strength_master); break;
        case CommandKind::SONOTA: on_about(); break;
        case CommandKind::SYURYOU: 終了();
        case CommandKind::escape: on_key(27); break;
        // An answer with no box to answer (a box only another machine
        // showed) changes nothing.
        case CommandKind::ok:
        case CommandKind::yes:
        case CommandKind::no: break;
        case CommandKind::computer: hand_to_computer(c.x); break;
    }
}

bool Game::replay(std::span<const Command> journal, const std::function<void()>& after_each) {
    std::size_t next = 0;
    dialogs_.replay_from(journal, next);
    dialogs_.clear_out_of_step();
    pause_.skipping = true;
    struct Restore {
        Game& g;
        ~Restore() {
            g.dialogs_.stop_replay();
            g.pause_.skipping = false;
        }
    } restore{*this};
    while (next < journal.size() && !dialogs_.out_of_step()) {
        apply(journal[next++]);
        if (after_each) after_each();
    }
    return !dialogs_.out_of_step();
}

}  // namespace quintora
