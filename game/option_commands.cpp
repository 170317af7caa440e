// SPDX-License-Identifier: GPL-3.0-or-later
// The three commands of the ｵﾌﾟｼｮﾝ menu. Each decides its own check mark.
#include "game/options.h"

namespace quintora {

void Options::on_TEJYUN() {
    if (p_.marks.checked(Mark::TEJYUN)) {
        p_.marks.set_checked(Mark::TEJYUN, false);
        // Repainting every stone plain takes away the numbers and the mark.
        for (int x = 1; x <= field_last; ++x)
            for (int y = 1; y <= field_last; ++y)
                if (s_.board[x][y] != cell_empty) view_.描画_駒(x, y, s_.board[x][y]);
    } else {
        p_.marks.set_checked(Mark::TEJYUN, true);
        view_.描画_全手順番号(s_.move_number - 1);
    }
    if (s_.move_number > 0) {
        const int k = s_.move_number - 1;
        view_.描画_打駒印(s_.move_x[k], s_.move_y[k], mark_colour);
    }
}

// The icon option is the one stored at once.
void Options::on_AICON() {
    if (p_.marks.checked(Mark::AICON)) {
        p_.marks.set_checked(Mark::AICON, false);
        view_.消去_全手番アイコン();
    } else {
        p_.marks.set_checked(Mark::AICON, true);
        view_.描画_打手(s_.to_move);
    }
    書込_環境設定ファイル();
}

// The tick and the music loop are switched together; nothing is stored.
void Options::on_BGM() {
    if (p_.marks.checked(Mark::BGM)) {
        p_.marks.set_checked(Mark::BGM, false);
        sound_.stop(s_.snd_bgm);
    } else {
        p_.marks.set_checked(Mark::BGM, true);
        sound_.play_looping(s_.snd_bgm);
    }
}

}  // namespace quintora
