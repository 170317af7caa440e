// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a room needs of cryptography, and nothing of how: Ed25519 signatures
// for who sent a message, SHA-512 for deriving, and XSalsa20-Poly1305
// secret boxes for what it says. The desktop implements it over libsodium
// (sodium/), the page over TweetNaCl (web/web_crypto.*); both give the same
// bytes for the same inputs, so that a desktop and a page read each other.
//
// Every function is total: a key, seed, nonce or signature of the wrong size
// gives an empty result, false or nothing, never a crash.

#include <cstddef>
#include <optional>
#include <string>

namespace quintora::net {

using Bytes = std::string;  // raw bytes

inline constexpr std::size_t signing_public_key_size = 32;
inline constexpr std::size_t signing_secret_key_size = 64;  // the seed, then the public key
inline constexpr std::size_t signing_seed_size = 32;
inline constexpr std::size_t signature_size = 64;
inline constexpr std::size_t sha512_size = 64;
inline constexpr std::size_t box_nonce_size = 24;
inline constexpr std::size_t box_key_size = 32;
inline constexpr std::size_t box_overhead = 16;  // the Poly1305 tag before the sealed text

struct SigningKeys {
    Bytes public_key;  // 32 bytes
    Bytes secret_key;  // 64 bytes, libsodium's layout
};

class Crypto {
public:
    virtual ~Crypto() = default;
    // A fresh Ed25519 pair; both empty should the source of randomness fail.
    virtual SigningKeys signing_keys() = 0;
    // The pair a 32-byte seed gives (the same on every side); empty for another size.
    virtual SigningKeys signing_keys_from_seed(const Bytes& seed32) = 0;
    // The detached signature of `message`, 64 bytes.
    virtual Bytes sign(const Bytes& message, const Bytes& secret_key) = 0;
    virtual bool verify(const Bytes& message, const Bytes& signature, const Bytes& public_key) = 0;
    virtual Bytes random(std::size_t n) = 0;
    virtual Bytes sha512(const Bytes& data) = 0;
    // A secret box (crypto_secretbox_easy, nacl.secretbox): the tag, then the
    // sealed text, box_overhead bytes longer than `plain`.
    virtual Bytes seal(const Bytes& plain, const Bytes& nonce, const Bytes& key) = 0;
    // What `sealed` holds, when it was sealed with this nonce and key and not altered.
    virtual std::optional<Bytes> open(const Bytes& sealed, const Bytes& nonce, const Bytes& key) = 0;
};

}  // namespace quintora::net
