#include "rules/five.h"

#include "rules/line_scan.h"

namespace quintora {

i16 調査_N並び(const GameState& s, int n, i16 colour, int x, int y) {
    for (const Line& l : lines)
        if (run_length(s.board, l, colour, x, y) == n) return flag_yes;
    return flag_no;
}

i16 調査_5並び(const GameState& s, i16 colour, int x, int y) { return 調査_N並び(s, 5, colour, x, y); }

i16 調査_三開(const GameState& s, i16 colour, int x, int y) { return 調査_N並び(s, 3, colour, x, y); }

void 設定_五止座標(GameState& s, i16 colour, int x, int y) {
    退避_碁盤(s);
    for (int i = x - 4; i <= x + 4; ++i) {
        for (int j = y - 4; j <= y + 4; ++j) {
            if (!on_field(i, j)) continue;
            if (s.board[i][j] != cell_empty) continue;
            s.board[i][j] = colour;
            if (調査_5並び(s, colour, i, j) == flag_yes) s.five_stop[i][j] = flag_yes;
            s.board[i][j] = cell_empty;
        }
    }
    戻し_碁盤(s);
}

void 初期化_五止座標(GameState& s) {
    for (int i = 1; i <= field_last; ++i)
        for (int j = 1; j <= field_last; ++j) s.five_stop[i][j] = flag_no;
}

}  // namespace quintora
