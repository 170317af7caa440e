// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The chunks of a RIFF/WAVE image, walked the way a decoder walks them.
//
// Both the game's check of a wave file and the sound library look at an
// image through this one walk, so what they accept is what the decoder
// will read: exactly one "fmt " chunk, followed later by exactly one "data"
// chunk, every chunk lying wholly inside the image. A second "fmt " or
// "data" is refused rather than guessed at: decoders disagree on which one
// counts (the first, the last), and a check that looked at another one than
// the decoder read once let a format with no channels through to a division.
// Header only: the game and the sound library are built apart.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quintora::wave {

inline std::uint32_t le16(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}
inline std::uint32_t le32(const unsigned char* p) {
    return le16(p) | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The fields of a "fmt " chunk common to every encoding.
struct Format {
    std::uint32_t channels = 0;
    std::uint32_t rate = 0;
    std::uint32_t block_align = 0;
    std::uint32_t bits = 0;
};

// The one rule of what the game plays, on the desktop and in the page alike:
// the largest image, and the channels, rates and sample sizes a buffer may
// have. Up to 7.1 is what SDL converts; a browser's audio buffer takes no
// rate below 3 kHz, and SDL's resampler works out its padding in an int and
// overflows on rates far beyond 200 kHz.
inline constexpr std::uint32_t largest_image = 64u * 1024u * 1024u;
inline constexpr std::uint32_t max_channels = 8;
inline constexpr std::uint32_t min_rate = 3000;
inline constexpr std::uint32_t max_rate = 200000;
inline constexpr std::uint32_t max_bits = 32;
inline bool playable(const Format& f) {
    return f.channels <= max_channels && f.rate >= min_rate && f.rate <= max_rate && f.bits <= max_bits;
}

enum class Fault {
    none,
    chunk_past_end,     // a chunk claims more bytes than the image has after it
    no_format,          // no "fmt " chunk before the samples, or none at all
    format_twice,       // a second "fmt " chunk
    format_after_data,  // "fmt " after "data"
    bad_format,         // a "fmt " chunk too short, or no channels, rate, block or sample size
    no_data,            // no "data" chunk
    data_twice,         // a second "data" chunk
    unplayable,         // a format outside the rule above
};

struct Layout {
    Fault fault = Fault::none;
    Format format;
};

// Walks the chunks from offset 12 to `length` (the RIFF length plus 8, which
// the caller has checked against what it holds), each padded to an even
// length as RIFF lays them out and SDL's loader reads them. Fewer than 8
// bytes left at the end hold no chunk and are ignored.
inline Layout walk(const unsigned char* bytes, std::size_t length) {
    Layout out;
    bool have_format = false, have_data = false;
    std::size_t at = 12;
    while (length >= 8 && at <= length - 8) {
        const unsigned char* id = bytes + at;
        const std::uint32_t size = le32(bytes + at + 4);
        if (size > length - at - 8) return out.fault = Fault::chunk_past_end, out;
        const unsigned char* body = bytes + at + 8;
        if (std::memcmp(id, "fmt ", 4) == 0) {
            if (have_format) return out.fault = Fault::format_twice, out;
            if (have_data) return out.fault = Fault::format_after_data, out;
            have_format = true;
            if (size < 16) return out.fault = Fault::bad_format, out;
            out.format.channels = le16(body + 2);
            out.format.rate = le32(body + 4);
            out.format.block_align = le16(body + 12);
            out.format.bits = le16(body + 14);
            if (out.format.channels == 0 || out.format.rate == 0 || out.format.block_align == 0 ||
                out.format.bits == 0)
                return out.fault = Fault::bad_format, out;
            if (!playable(out.format)) return out.fault = Fault::unplayable, out;
        } else if (std::memcmp(id, "data", 4) == 0) {
            if (have_data) return out.fault = Fault::data_twice, out;
            if (!have_format) return out.fault = Fault::no_format, out;
            have_data = true;
        }
        at += 8 + static_cast<std::size_t>(size) + (size & 1u);
    }
    if (!have_format) out.fault = Fault::no_format;
    else if (!have_data) out.fault = Fault::no_data;
    return out;
}

}  // namespace quintora::wave
