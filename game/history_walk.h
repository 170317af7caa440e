// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// 戻 and 進 of the 局面 menu: one step back or forward through the stored
// positions of the game, with the board, the marks and the texts following.

#include "game/platform.h"
#include "sound/module1.h"
#include "state/game_state.h"
#include "view/view.h"

namespace quintora {

class HistoryWalk {
public:
    HistoryWalk(Platform& platform, View& view, Module1& sound, GameState& state)
        : p_(platform), view_(view), sound_(sound), s_(state) {}

    void on_MODORU();
    void on_SUSUMU();

private:
    void redraw_between(int from, int to, bool mark_appearing);

    Platform& p_;
    View& view_;
    Module1& sound_;
    GameState& s_;
};

}  // namespace quintora
