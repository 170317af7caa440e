// SPDX-License-Identifier: GPL-3.0-or-later
// Sound library of Quintora (libQuintora.so).
//
// The game opens this library by name at run time and calls the functions
// below from its GUI thread only. Every argument and result is a 32-bit
// integer; handles are small positive numbers that index tables kept inside
// the library, never addresses, so a wrong or stale handle can never reach
// freed memory: any call given 0, an unknown handle or one already released
// does nothing and returns 0.
//
// Numbering never restarts while the process lives, so a handle from before
// dsTerminate cannot name something created after the next dsInitialize.
#pragma once

#include <cstdint>

#if defined(__GNUC__)
#define QUINTORA_SOUND_API __attribute__((visibility("default")))
#else
#define QUINTORA_SOUND_API
#endif

extern "C" {

// Opens the sound system. Returns the sound system handle, or 0 when no
// audio device can be opened (the game then simply stays silent). The
// library opens its audio devices when there is something to play and
// releases them again after a short silence, so that the sound server can
// sleep; one lost (the sound server restarted) is opened again. Calling it
// again while open returns the same handle. The window handle only mattered
// on the platform the game first ran on; it is ignored here.
QUINTORA_SOUND_API std::int32_t dsInitialize(std::int32_t window);

// Decodes a complete RIFF/WAVE file image held in memory. No length is
// passed: the RIFF header's own size field (plus the 8 bytes before it)
// tells how long the image is, and the caller vouches that it has that many
// bytes. The samples are copied, so the image may be discarded as soon as
// this returns. Returns a buffer handle, or 0 when `system` is not the open
// sound system or the image is not a wave SDL can decode and convert (one
// format chunk, then one data chunk, every chunk inside the image). `flags`
// (3 for effects, 1 for music) makes no difference to playback here.
QUINTORA_SOUND_API std::int32_t dsCreateDSB(std::int32_t system, const void* wave_image,
                                            std::int32_t flags);

// As dsCreateDSB, but 8-bit and 16-bit PCM is played where the image holds
// it, not copied: the caller keeps the image until dsTerminate. Other
// encodings are copied as dsCreateDSB copies them.
QUINTORA_SOUND_API std::int32_t dsCreateDSBInPlace(std::int32_t system, const void* wave_image,
                                                   std::int32_t flags);

// Starts one playback in the background and returns at once; a sound that is
// already playing is mixed over itself. Returns 1 when it started.
QUINTORA_SOUND_API std::int32_t dsPlay(std::int32_t buffer);

// Plays the buffer in an endless loop. While that loop is playing, further
// calls leave it alone (no restart, no second copy). Returns 1 when the loop
// is playing afterwards.
QUINTORA_SOUND_API std::int32_t dsPlayLooping(std::int32_t buffer);

// Stops every playback of the buffer, looping or not. Returns 1 for a live
// buffer.
QUINTORA_SOUND_API std::int32_t dsStop(std::int32_t buffer);

// Stops and releases the buffer; its handle is dead afterwards. Returns 1
// for a live buffer.
QUINTORA_SOUND_API std::int32_t dsFree(std::int32_t buffer);

// How many playbacks of the buffer are running, looped or not; with 0, of
// every buffer. The game does not need it; it tells a test or a tool what
// the library is doing.
QUINTORA_SOUND_API std::int32_t dsPlaying(std::int32_t buffer);

// How many audio devices the library holds open now: one for the music
// while it loops, one for the effects while they play and for a short
// silence after them, none while all is quiet. Where the audio driver has a
// single device (SDL's dummy and disk drivers), the music shares the
// effects' one. For tests and tools too.
QUINTORA_SOUND_API std::int32_t dsOutputsOpen();

// Releases every buffer and closes the audio device, after which
// dsInitialize may open it again. Returns 1 when `system` was the open one.
QUINTORA_SOUND_API std::int32_t dsTerminate(std::int32_t system);

}  // extern "C"
