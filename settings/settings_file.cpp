// The settings file "Quintora.ini": read at every reset, created when it is
// missing, rewritten when the icon option changes.
#include <filesystem>

#include "game/game.h"
#include "settings/settings_lines.h"

namespace quintora {

namespace {
bool write_file(const std::string& path, const std::string& text) {
    namespace fs = std::filesystem;
    const fs::path target = fs::u8path(path);
    // Only a plain file is replaced: opening a pipe by that name would wait
    // for a reader for ever, and a device is no place for the settings.
    std::error_code ec;
    if (fs::exists(target, ec) && !fs::is_regular_file(target, ec)) return false;
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(text.data(), std::streamsize(text.size()));
    out.close();
    return !out.fail();
}
}  // namespace

void Game::書込_環境設定ファイル() {
    const Marks& m = p_.marks;
    if (write_file(settings_path, settings_text(m.checked(Mark::TEJYUN), m.checked(Mark::AICON), m.checked(Mark::BGM))))
        return;
    // Writing failed: start over once with the fallback lines. If that fails
    // too, the program goes on with the marks it has.
    write_file(settings_path, settings_text(false, true, false));
}

void Game::読込_環境設定ファイル() {
    namespace fs = std::filesystem;
    if (settings_in_.is_open()) settings_in_.close();
    settings_in_.clear();
    const fs::path path = fs::u8path(settings_path);
    std::error_code ec;
    if (!fs::exists(path, ec)) 書込_環境設定ファイル();
    if (!fs::exists(path, ec)) {
        // Not even the fallback could create it (a read-only folder, say).
        p_.dialogs.message("ファイルが見つかりません。", "読込データ");
        return;
    }
    // Only a plain file is read: a folder, a pipe or a device by that name
    // could never end or never answer.
    if (!fs::is_regular_file(path, ec)) return;
    settings_in_.open(path, std::ios::binary);
}

void Game::apply_setting(int key, bool on) {
    switch (SettingKey(key)) {
        case SettingKey::TEJYUN:
            p_.marks.setChecked(Mark::TEJYUN, on);
            break;
        case SettingKey::AICON:
            p_.marks.setChecked(Mark::AICON, on);
            if (!on) view_.消去_全手番アイコン();
            break;
        case SettingKey::BGM:
            p_.marks.setChecked(Mark::BGM, on);
            if (on)
                p_.sound.dsPlayLooping(s_->snd_bgm);
            else
                p_.sound.dsStop(s_->snd_bgm);
            break;
    }
}

void Game::読込_環境設定データ() {
    if (!settings_in_.is_open()) return;
    SettingsLineReader reader(settings_in_);
    SettingsInterpreter interpreter;
    SettingsLine line;
    while (reader.next(line))
        if (auto change = interpreter.feed(line)) apply_setting(int(change->key), change->on);
    settings_in_.close();
    settings_in_.clear();
}

void Game::on_AICON() {
    if (p_.marks.checked(Mark::AICON)) {
        p_.marks.setChecked(Mark::AICON, false);
        view_.消去_全手番アイコン();
    } else {
        p_.marks.setChecked(Mark::AICON, true);
        view_.描画_打手(s_->to_move);
    }
    書込_環境設定ファイル();
}

}  // namespace quintora
