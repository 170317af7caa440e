// SPDX-License-Identifier: GPL-3.0-or-later
// The strength of the computer: the 強さ menu's four commands, their check
// marks and the small file that remembers the choice between runs.
#include "game/game.h"
#include "settings/settings_lines.h"

namespace quintora {

static_assert(strength_standard == 0 && strength_beginner == 1 && strength_expert == 2 && strength_master == 3,
              "the strength file numbers the strengths as the game does");

void Game::show_strength() {
    const i16 s = s_->strength;
    p_.marks.set_checked(Mark::NYUMON, s == strength_beginner);
    p_.marks.set_checked(Mark::HYOJUN, s == strength_standard);
    p_.marks.set_checked(Mark::JYOKYU, s == strength_expert);
    p_.marks.set_checked(Mark::MEIJIN, s == strength_master);
}

void Game::on_strength(i16 strength) {
    s_->strength = strength;
    show_strength();
    // A replay plays another machine's or an earlier game's choice: this
    // player's own stays as it was. A file that cannot be written only
    // means the choice is not remembered.
    if (!dialogs_.replaying()) p_.storage.replace_whole(strength_path, strength_text(strength));
}

void Game::restore_strength() {
    Storage::Opened how;
    const auto in = p_.storage.open_plain(strength_path, how);
    if (!in) return;
    SettingsLineReader reader(*in);
    SettingsLine line;
    std::optional<int> kept;
    while (reader.next(line))
        if (const auto s = strength_of(line)) kept = s;
    if (!kept || *kept == s_->strength) return;
    constexpr CommandKind by_strength[] = {CommandKind::HYOJUN, CommandKind::NYUMON, CommandKind::JYOKYU,
                                           CommandKind::MEIJIN};
    apply(Command::of(by_strength[*kept]));
}

}  // namespace quintora
