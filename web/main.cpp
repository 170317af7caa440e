// SPDX-License-Identifier: GPL-3.0-or-later
// The game in the browser: the same Game as on the desktop, wired to the
// page's adapters, handling the page's input one command at a time.
//
// The page queues every press, menu command and key as it comes; the game
// takes the next only when the one before has ended, its waits and boxes
// included, so input that arrives meanwhile is handled afterwards, in order,
// as the desktop's event queue does.
#include <emscripten.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "files/posix_storage.h"
#include "game/board_cursor.h"
#include "game/board_reading.h"
#include "game/game.h"
#include "lang/language.h"
#include "sound/module1.h"
#include "view/geometry.h"
#include "view/view.h"
#include "web/web_adapters.h"
#include "web/web_room.h"

using namespace quintora;

namespace {

enum EventKind { press = 1, menu = 2, key = 3, late_wave = 4, network = 5, answer = 6 };

// Waits (without holding the page) for the next input; fills `a` and `b`:
// a press's twips, a menu item's number, a key's character, the number of
// a wave that has arrived.
EM_ASYNC_JS(int, next_input, (double* a, double* b), {
    const e = await QuintoraUI.nextInput();
    HEAPF64[a >> 3] = e.a;
    HEAPF64[b >> 3] = e.b;
    return e.kind;
});
EM_JS(int, escape_waiting, (), { return QuintoraUI.escapeWaiting() ? 1 : 0; });
EM_JS(void, page_started, (), { QuintoraUI.started(); });

constexpr const char* settings_file = "Quintora.ini";
constexpr const char* strength_file = "QuintoraStrength.ini";

EM_JS(void, page_menu_row, (int row, const char* id, const char* caption, int command, int mark), {
    QuintoraUI.menuRow(row, UTF8ToString(id), UTF8ToString(caption), command, mark);
});
EM_JS(void, page_menus_built, (), { QuintoraUI.menusBuilt(); });
// The languages the browser asks for, as "en_US:en".
EM_JS(void, page_language, (char* into, int size), { stringToUTF8(QuintoraUI.language(), into, size); });
EM_JS(void, page_words, (const char* lang, const char* ended, const char* again, const char* board), {
    QuintoraUI.words(UTF8ToString(lang), UTF8ToString(ended), UTF8ToString(again), UTF8ToString(board));
});
EM_JS(void, page_button_words, (const char* ok, const char* yes, const char* no),
      { QuintoraUI.buttonWords(UTF8ToString(ok), UTF8ToString(yes), UTF8ToString(no)); });
EM_JS(void, page_cursor, (int x, int y, int w, int h, const char* name, int index),
      { QuintoraUI.showCursor(x, y, w, h, UTF8ToString(name), index); });

EM_JS(void, page_cell_name, (int index, const char* name), { QuintoraUI.cellName(index, UTF8ToString(name)); });
EM_JS(void, page_announce, (const char* text), { QuintoraUI.announce(UTF8ToString(text)); });

// The page's grid of cells, brought up to date after each command, and the
// stones put down since the last one read out (the computers' too).
class BoardReader {
public:
    void update(const Game& game) {
        for (int y = 1; y <= field_last; ++y)
            for (int x = 1; x <= field_last; ++x) {
                const int i = (y - 1) * field_last + (x - 1);
                std::string name = cell_reading(game.state(), {x, y}, &lang::tr);
                if (name == names_[std::size_t(i)]) continue;
                page_cell_name(i, name.c_str());
                names_[std::size_t(i)] = std::move(name);
            }
        std::string said;
        for (const std::string& stone : stones_.since(game.state(), &lang::tr)) {
            if (!said.empty()) said += ", ";
            said += stone;
        }
        const std::string ended = stones_.ended(game.state(), &lang::tr);
        if (!ended.empty()) said += (said.empty() ? "" : ", ") + ended;
        if (!said.empty()) page_announce(said.c_str());
    }

private:
    std::array<std::string, field_last * field_last> names_;
    StoneReader stones_;
};

// The page's keys for the board, by their DOM key codes.
std::optional<BoardKey> board_key(int code) {
    switch (code) {
        case 37: return BoardKey::left;
        case 38: return BoardKey::up;
        case 39: return BoardKey::right;
        case 40: return BoardKey::down;
        case 36: return BoardKey::home;
        case 35: return BoardKey::end;
        case 33: return BoardKey::page_up;
        case 34: return BoardKey::page_down;
        case 13:
        case 32: return BoardKey::play;
        default: return std::nullopt;
    }
}

void show_cursor(const Game& game, const BoardCursor& cursor) {
    const auto at = cursor.at();
    if (!at) {
        page_cursor(0, 0, 0, 0, "", -1);
        return;
    }
    const auto px = [](double twips) { return int(twips / twips_per_pixel + 0.5); };
    page_cursor(px(twips_x(at->x)), px(twips_y(at->y)), px(cell_width), px(cell_height),
                cell_reading(game.state(), *at, &lang::tr).c_str(), (at->y - 1) * field_last + (at->x - 1));
}

// The page's menu bar, row by row from the game's table; a menu item gives
// back its command's number.
void build_menus() {
    for (const MenuEntry& e : menu_table())
        page_menu_row(int(e.row), e.id, lang::tr(e.caption).c_str(), int(e.command), int(e.mark));
    page_menus_built();
}

// The words of the form that makes a room, in the player's language: the
// page names them, the catalog has them.
EM_JS(int, page_phrase_size, (), { return lengthBytesUTF8(QuintoraNet.sources()) + 1; });
EM_JS(void, page_phrase_sources, (char* into, int size), { stringToUTF8(QuintoraNet.sources(), into, size); });
EM_JS(void, page_phrase, (const char* ja, const char* text),
      { QuintoraNet.translate(UTF8ToString(ja), UTF8ToString(text)); });
void translate_room_form() {
    std::string sources(std::size_t(page_phrase_size()), '\0');
    page_phrase_sources(sources.data(), int(sources.size()));
    std::string_view rest(sources.c_str());
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        const std::string ja(rest.substr(0, end));
        page_phrase(ja.c_str(), lang::tr(ja).c_str());
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    }
}

std::optional<Command> menu_command(int number) {
    if (number < 0 || number >= command_kind_count) return std::nullopt;
    const CommandKind kind = CommandKind(number);
    if (!menu_entry(kind)) return std::nullopt;
    return Command::of(kind);
}

}  // namespace

int main() {
    // The page has put the waves and the kept settings file into this folder.
    if (chdir("/quintora") != 0) return 1;
    // Emscripten starts with a mask that takes every permission away, so a
    // settings file written under it could not be read back; a login shell's
    // mask instead.
    umask(022);
    web::restore_settings(settings_file);
    web::restore_settings(strength_file);
    char wanted[256] = {};
    page_language(wanted, int(sizeof wanted));
    const std::string language(lang::choose(wanted));
    page_words(language.c_str(), lang::tr("QuintoraⅠは終了しました。").c_str(), lang::tr("もう一度始める").c_str(),
               lang::tr("盤").c_str());

    page_button_words(lang::tr("OK").c_str(), lang::tr("はい").c_str(), lang::tr("いいえ").c_str());

    web::WebCanvas canvas;
    web::WebDialogs dialogs;
    web::WebPause pause;
    web::WebSound sound;
    web::WebMarks marks;
    web::WebExit exit;
    // The page's files are emscripten's in-memory ones, which the page fills
    // from the network (the waves) and from its local storage (the settings).
    PosixStorage storage;
    // The room the page's link names, if any. In a room, a command's boxes
    // show only on the machine that gave it, and a journal caught up with
    // is quiet; a game alone has neither.
    auto room = web::PageRoom::from_link();
    std::unique_ptr<net::RoomDialogs> room_dialogs;
    std::unique_ptr<net::QuietSound> room_sound;
    if (room) {
        room_dialogs = std::make_unique<net::RoomDialogs>(dialogs);
        room_sound = std::make_unique<net::QuietSound>(sound);
    }
    Game game(Platform{canvas, room_dialogs ? static_cast<Dialogs&>(*room_dialogs) : dialogs, pause,
                       room_sound ? static_cast<SoundLibrary&>(*room_sound) : sound, marks, exit, storage});
    // The game's one door: every input of the page goes in there.
    net::Session session(game);
    // The page draws in IPA P Mincho, shipped with it.
    game.view().use_column_labels(std::string(column_labels_for_ipa_face));
    // An Esc waiting in the queue ends the program before a box can open.
    // Esc inside a box closes it, as on the desktop.
    dialogs.before_box = [&session] {
        if (escape_waiting()) session.give(Command::of(CommandKind::escape));
    };
    build_menus();
    // A wave that comes after the start is said to be damaged as the game
    // says it of one it reads itself.
    Module1 late_waves(sound, dialogs, storage);
    // The browser may refuse to keep the settings file (its storage blocked
    // or full): the game plays on and says so once.
    const auto keep_settings = [&game] {
        if (!web::save_settings(settings_file) || !web::save_settings(strength_file))
            game.options().tell_settings_unwritable();
    };

    translate_room_form();
    const auto give = [&session](Command c) { session.give(c); };

    game.起動(1);
    if (!room) game.restore_strength();
    keep_settings();
    if (room) {
        room->start(session, *room_dialogs, *room_sound);
        room->show_state(game);
    }
    BoardCursor cursor;
    BoardReader reader;
    reader.update(game);
    page_started();
    for (;;) {
        double a = 0, b = 0;
        switch (next_input(&a, &b)) {
            case press:
                if (cursor.at()) {
                    cursor.hide();
                    show_cursor(game, cursor);
                }
                give(Command::press_at(cell_under(a, b)));
                break;
            case menu:
                if (const auto c = menu_command(int(a))) give(*c);
                break;
            case key:
                if (int(a) == 27) {
                    give(Command::of(CommandKind::escape));
                } else if (const auto k = board_key(int(a))) {
                    // Playing the cursor's cell is the press a click on it gives.
                    const auto play = cursor.key(*k);
                    show_cursor(game, cursor);
                    if (play) give(*play);
                }
                break;
            case network:
                if (room) room->event(int(a));
                break;
            case answer:
                // To a box shown while the game went on: `b` is the box's kind.
                give(Command::of(int(b) != 1 ? CommandKind::ok : a != 0 ? CommandKind::yes : CommandKind::no));
                break;
            case late_wave:
                if (const auto fault = web::take_late_wave(int(a))) late_waves.表示_警告(*fault);
                continue;
            default: break;
        }
        reader.update(game);
        keep_settings();
        if (room) room->show_state(game);
    }
}
