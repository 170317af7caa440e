// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sound library is given no length: it trusts the RIFF header of the
// image. So the game checks the header against the bytes it really read,
// and the chunks behind it as the decoder will read them.

#include <cstddef>
#include <optional>
#include <string>

#include "sound/wave_layout.h"

namespace quintora {

inline constexpr std::size_t largest_wave_file = wave::largest_image;

// Nothing when `bytes` hold a RIFF/WAVE image whose stated length fits in
// them, with one format chunk and then one data chunk, every chunk inside
// the stated length; otherwise a description of what is wrong, for the
// warning box.
std::optional<std::string> 調査_波形(const unsigned char* bytes, std::size_t size);

}  // namespace quintora
