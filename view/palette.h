#pragma once
#include <cstdint>

namespace quintora {

// The classic 16-colour palette as 0xRRGGBB; indices outside 0..15 give black.
std::uint32_t palette_rgb(int index);

}  // namespace quintora
