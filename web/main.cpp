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

#include <string_view>

#include "files/posix_storage.h"
#include "game/game.h"
#include "sound/module1.h"
#include "view/view.h"
#include "web/web_adapters.h"

using namespace quintora;

namespace {

enum EventKind { press = 1, menu = 2, key = 3, late_wave = 4 };

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

EM_JS(void, page_menu_row, (int row, const char* id, const char* caption, int command, int mark), {
    QuintoraUI.menuRow(row, UTF8ToString(id), UTF8ToString(caption), command, mark);
});
EM_JS(void, page_menus_built, (), { QuintoraUI.menusBuilt(); });

// The page's menu bar, row by row from the game's table; a menu item gives
// back its command's number.
void build_menus() {
    for (const MenuEntry& e : menu_table())
        page_menu_row(int(e.row), e.id, e.caption, int(e.command), int(e.mark));
    page_menus_built();
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

    web::WebCanvas canvas;
    web::WebDialogs dialogs;
    web::WebPause pause;
    web::WebSound sound;
    web::WebMarks marks;
    web::WebExit exit;
    // The page's files are emscripten's in-memory ones, which the page fills
    // from the network (the waves) and from its local storage (the settings).
    PosixStorage storage;
    Game game(Platform{canvas, dialogs, pause, sound, marks, exit, storage});
    // The page draws in IPA P Mincho, shipped with it.
    game.view().use_column_labels(std::string(column_labels_for_ipa_face));
    // An Esc waiting in the queue ends the program before a box can open.
    // Esc inside a box closes it, as on the desktop.
    dialogs.before_box = [&game] {
        if (escape_waiting()) game.apply(Command::of(CommandKind::escape));
    };
    build_menus();
    // A wave that comes after the start is said to be damaged as the game
    // says it of one it reads itself.
    Module1 late_waves(sound, dialogs, storage);
    // The browser may refuse to keep the settings file (its storage blocked
    // or full): the game plays on and says so once.
    const auto keep_settings = [&game] {
        if (!web::save_settings(settings_file)) game.options().tell_settings_unwritable();
    };

    game.起動(1);
    keep_settings();
    page_started();
    for (;;) {
        double a = 0, b = 0;
        switch (next_input(&a, &b)) {
            case press: game.apply(Command::press_at(cell_under(a, b))); break;
            case menu:
                if (const auto c = menu_command(int(a))) game.apply(*c);
                break;
            case key:
                if (int(a) == 27) game.apply(Command::of(CommandKind::escape));
                break;
            case late_wave:
                if (const auto fault = web::take_late_wave(int(a))) late_waves.表示_警告(*fault);
                continue;
            default: break;
        }
        keep_settings();
    }
}
