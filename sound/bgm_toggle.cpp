// The BGM command: the tick and the music loop are switched together.
#include "game/game.h"

namespace quintora {

void Game::on_BGM() {
    if (p_.marks.checked(Mark::BGM)) {
        p_.marks.setChecked(Mark::BGM, false);
        p_.sound.dsStop(s_->snd_bgm);
    } else {
        p_.marks.setChecked(Mark::BGM, true);
        p_.sound.dsPlayLooping(s_->snd_bgm);
    }
}

}  // namespace quintora
