// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file "Quintora.ini": read at every reset, created when it is
// missing, rewritten when the icon option changes.
#include <cerrno>

#include "game/options.h"
#include "settings/settings_lines.h"

namespace quintora {

namespace {
constexpr std::string_view unwritable_text =
    "設定ファイル「Quintora.ini」に書き込めません。\r"
    "ｵﾌﾟｼｮﾝの設定は保存されません。";
constexpr std::string_view unwritable_caption = "書込データ";

// Why a missing settings file could not be created, as the reading's box
// says it: a disk with no room left is named as such; otherwise the file is
// simply not there.
std::string_view missing_reason(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT: return "ディスクに空きがありません。";
        case EFBIG: return "ファイルの大きさの上限を超えています。";
        default: return "ファイルが見つかりません。";
    }
}
}  // namespace

int Options::write_settings() {
    const Marks& m = p_.marks;
    Storage& files = p_.storage;
    if (files.replace_whole(settings_path, settings_text(m.checked(Mark::TEJYUN), m.checked(Mark::AICON),
                                                         m.checked(Mark::BGM))) == 0)
        return 0;
    // Writing failed: start over once with the fallback lines.
    return files.replace_whole(settings_path, settings_text(false, true, false));
}

void Options::書込_環境設定ファイル() {
    if (write_settings() != 0) tell_settings_unwritable();
}

void Options::tell_settings_unwritable() {
    if (told_settings_unwritable_) return;
    // The program goes on with the marks it has; a folder that may not be
    // written stays so, so one word per run is enough.
    told_settings_unwritable_ = true;
    p_.dialogs.warning(unwritable_text, unwritable_caption);
}

void Options::読込_環境設定ファイル() {
    settings_in_.reset();
    // Created from the current marks when missing. A failure needs no word of
    // its own here: the missing file is reported just below.
    Storage::Opened how;
    settings_in_ = p_.storage.open_plain(settings_path, how);
    if (how != Storage::Opened::missing) return;
    const int error = write_settings();
    // Only a plain file is read: a folder, a pipe or a device by that name
    // could never end or never answer; nor is one waited for.
    settings_in_ = p_.storage.open_plain(settings_path, how);
    if (how == Storage::Opened::missing)
        // Not even the fallback could create it (a read-only folder, a full
        // disk).
        p_.dialogs.message(missing_reason(error), "読込データ");
}

void Options::apply_setting(Mark key, bool on) {
    p_.marks.set_checked(key, on);
    if (key == Mark::AICON && !on) view_.消去_全手番アイコン();
    if (key == Mark::BGM) {
        if (on)
            sound_.play_looping(s_.snd_bgm);
        else
            sound_.stop(s_.snd_bgm);
    }
}

void Options::読込_環境設定データ() {
    if (!settings_in_) return;
    SettingsLineReader reader(*settings_in_);
    SettingsInterpreter interpreter;
    SettingsLine line;
    while (reader.next(line))
        if (auto change = interpreter.feed(line)) apply_setting(change->key, change->on);
    settings_in_.reset();
}

}  // namespace quintora
