// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/module1.h"

#include <vector>

#include "sound/wave_check.h"
#include "sound/wave_file.h"

namespace quintora {

namespace {
constexpr std::string_view warning_title = "Quintora.dll";
}

void Module1::表示_警告(std::string_view text) { dialogs_.warning(text, warning_title); }

void Module1::初期化_サウンド(std::int32_t window) {
    system_ = lib_.dsInitialize(window);
    if (system_ == 0) 表示_警告("Direct Soundインターフェースが作成できません。");
}

std::int32_t Module1::読込_サウンド(const std::string& name, std::int32_t flags) {
    if (system_ == 0) return 0;
    std::vector<unsigned char> bytes;
    const WholeRead got = files_.read_whole(name, largest_wave_file, bytes);
    if (got.result == WholeRead::Result::missing) return 0;  // a missing file only silences its sound
    if (const auto fault = wave_read_fault(got)) {
        表示_警告("「" + name + "」" + *fault);
        return 0;
    }
    if (auto fault = 調査_波形(bytes.data(), bytes.size())) {
        表示_警告("「" + name + "」: " + *fault);
        return 0;
    }
    // A wave the check lets through may still be one the library cannot
    // play (an encoding, sample size or channel count it does not take):
    // that is said the same way, once, as the file is read once.
    const std::int32_t buffer = lib_.dsCreateDSB(system_, bytes.data(), flags);
    if (buffer == 0) 表示_警告("「" + name + "」: 再生できない形式の音声ファイルです。");
    if (buffer != 0 && lib_.plays_in_place()) images_[buffer] = std::move(bytes);
    return buffer;
}

void Module1::終了_サウンド() {
    if (system_ != 0) lib_.dsTerminate(system_);
    system_ = 0;
    images_.clear();
}

Module1::~Module1() {
    // The library may still be playing from the images kept here.
    if (!images_.empty()) 終了_サウンド();
}

}  // namespace quintora
