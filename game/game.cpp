// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/game.h"

namespace quintora {

Game::Game(Platform p)
    : s_(std::make_unique<GameState>()),
      p_(p),
      view_(p.canvas, *s_, p.marks),
      module1_(p.sound, p.dialogs),
      options_(p_, view_, module1_, *s_),
      history_(p_, view_, module1_, *s_) {}

}  // namespace quintora
