// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The ｵﾌﾟｼｮﾝ menu and the settings file "Quintora.ini" that remembers its
// three check marks: move numbers (TEJYUN), turn icons (AICON) and the
// background music (BGM).

#include <istream>
#include <memory>
#include <string>

#include "game/platform.h"
#include "settings/settings_lines.h"
#include "sound/module1.h"
#include "state/game_state.h"
#include "view/view.h"

namespace quintora {

class Options {
public:
    Options(Platform& platform, View& view, Module1& sound, const GameState& state)
        : p_(platform), view_(view), sound_(sound), s_(state) {}

    // Menu commands.
    void on_TEJYUN();
    void on_AICON();
    void on_BGM();

    // The settings file, read as a pair at every reset.
    void 読込_環境設定ファイル();
    void 読込_環境設定データ();
    void 書込_環境設定ファイル();
    std::string settings_path = "Quintora.ini";
    // Says that the options will not be kept, once a run: the settings file
    // could not be written, or the place that keeps it (the browser's
    // storage, for the page) refused it.
    void tell_settings_unwritable();

private:
    void apply_setting(Mark key, bool on);
    // Writes the three marks (or, failing that, the fallback lines): 0, or
    // why neither could be written (an errno value).
    int write_settings();

    Platform& p_;
    View& view_;
    Module1& sound_;
    const GameState& s_;
    std::unique_ptr<std::istream> settings_in_;
    bool told_settings_unwritable_ = false;  // the user hears it once per run
};

}  // namespace quintora
