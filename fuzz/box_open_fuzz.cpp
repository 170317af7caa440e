// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes through the room's box opener and signature check, the
// first things a stranger's message meets. The first two bytes choose the
// sizes of the nonce and the key (often wrong: every size must be refused
// without a read past either), the rest is the box. A box that opens must
// be the one its plain text seals to.
//
// A forged box that opens is out of a fuzzer's reach, so each input is also
// sealed under a fixed nonce and key and then changed in one byte (where and
// how, from the input): that box must never open, and the unchanged one
// must give the input back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "sodium/sodium_crypto.h"

using quintora::net::Bytes;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static quintora::sodium::SodiumCrypto crypto;
    if (size < 2) return 0;
    const Bytes all(reinterpret_cast<const char*>(data), size);
    const std::size_t nonce_size = data[0] % 32, key_size = data[1] % 40;
    Bytes rest = all.substr(2);
    const Bytes nonce = rest.substr(0, nonce_size);
    rest.erase(0, nonce.size());
    const Bytes key = rest.substr(0, key_size);
    rest.erase(0, key.size());

    if (const auto plain = crypto.open(rest, nonce, key)) {
        if (crypto.seal(*plain, nonce, key) != rest) std::abort();
    }
    // The same bytes as a signed message, its signature and key taken from its front
    // (short ones too): a check that must return, whatever it is given.
    (void)crypto.verify(rest, all.substr(0, 64), all.substr(64 % size, 32));

    const Bytes fixed_nonce(24, '\x5a'), fixed_key(32, '\xa5');
    Bytes sealed = crypto.seal(all, fixed_nonce, fixed_key);
    const auto back = crypto.open(sealed, fixed_nonce, fixed_key);
    if (!back || *back != all) std::abort();
    sealed[(std::size_t(data[0]) << 8 | data[1]) % sealed.size()] ^= char(data[size - 1] | 1);
    if (crypto.open(sealed, fixed_nonce, fixed_key)) std::abort();
    return 0;
}
