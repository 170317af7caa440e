#include "sound/module1.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include "sound/wave_check.h"

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
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path path = fs::u8path(name);
    if (!fs::exists(path, ec)) return 0;  // a missing file only silences its sound

    if (fs::is_directory(path, ec)) {
        表示_警告("「" + name + "」はフォルダーです。");
        return 0;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        表示_警告("「" + name + "」を開けません。");
        return 0;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    in.seekg(0, std::ios::beg);
    if (length < 0) {
        表示_警告("「" + name + "」を読み込めません。");
        return 0;
    }
    if (std::size_t(length) > largest_wave_file) {
        表示_警告("「" + name + "」は大きすぎます。");
        return 0;
    }
    std::vector<unsigned char> bytes(static_cast<std::size_t>(length));
    if (length > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), length)) {
        表示_警告("「" + name + "」を読み込めません。");
        return 0;
    }
    if (auto fault = 調査_波形(bytes.data(), bytes.size())) {
        表示_警告("「" + name + "」: " + *fault);
        return 0;
    }
    return lib_.dsCreateDSB(system_, bytes.data(), flags);
}

void Module1::終了_サウンド() {
    if (system_ != 0) lib_.dsTerminate(system_);
    system_ = 0;
}

}  // namespace quintora
