#pragma once
// 戻 and 進 of the 局面 menu: one step back or forward through the stored
// positions of the game, with the board, the marks and the texts following.

#include "game/platform.h"
#include "state/game_state.h"
#include "view/view.h"

namespace quintora {

class HistoryWalk {
public:
    HistoryWalk(Platform& platform, View& view, GameState& state) : p_(platform), view_(view), s_(state) {}

    void on_MODORU();
    void on_SUSUMU();

private:
    void redraw_to_step(int t, bool mark_changed);

    Platform& p_;
    View& view_;
    GameState& s_;
};

}  // namespace quintora
