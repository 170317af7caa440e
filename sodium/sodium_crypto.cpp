// SPDX-License-Identifier: GPL-3.0-or-later
#include "sodium/sodium_crypto.h"

#include <sodium.h>

namespace quintora::sodium {

using net::Bytes;

namespace {

const unsigned char* in(const Bytes& b) { return reinterpret_cast<const unsigned char*>(b.data()); }
unsigned char* out(Bytes& b) { return reinterpret_cast<unsigned char*>(b.data()); }

// libsodium's sizes are the ones the interface promises.
static_assert(crypto_sign_PUBLICKEYBYTES == net::signing_public_key_size);
static_assert(crypto_sign_SECRETKEYBYTES == net::signing_secret_key_size);
static_assert(crypto_sign_SEEDBYTES == net::signing_seed_size);
static_assert(crypto_sign_BYTES == net::signature_size);
static_assert(crypto_hash_sha512_BYTES == net::sha512_size);
static_assert(crypto_secretbox_NONCEBYTES == net::box_nonce_size);
static_assert(crypto_secretbox_KEYBYTES == net::box_key_size);
static_assert(crypto_secretbox_MACBYTES == net::box_overhead);

}  // namespace

// sodium_init is safe to call again and from several threads; once is enough.
SodiumCrypto::SodiumCrypto() {
    static const bool started = sodium_init() >= 0;
    ready_ = started;
}

net::SigningKeys SodiumCrypto::signing_keys() {
    if (!ready_) return {};
    net::SigningKeys keys{Bytes(crypto_sign_PUBLICKEYBYTES, '\0'), Bytes(crypto_sign_SECRETKEYBYTES, '\0')};
    if (crypto_sign_keypair(out(keys.public_key), out(keys.secret_key)) != 0) return {};
    return keys;
}

net::SigningKeys SodiumCrypto::signing_keys_from_seed(const Bytes& seed32) {
    if (!ready_ || seed32.size() != crypto_sign_SEEDBYTES) return {};
    net::SigningKeys keys{Bytes(crypto_sign_PUBLICKEYBYTES, '\0'), Bytes(crypto_sign_SECRETKEYBYTES, '\0')};
    if (crypto_sign_seed_keypair(out(keys.public_key), out(keys.secret_key), in(seed32)) != 0) return {};
    return keys;
}

Bytes SodiumCrypto::sign(const Bytes& message, const Bytes& secret_key) {
    if (!ready_ || secret_key.size() != crypto_sign_SECRETKEYBYTES) return {};
    Bytes signature(crypto_sign_BYTES, '\0');
    if (crypto_sign_detached(out(signature), nullptr, in(message), message.size(), in(secret_key)) != 0) return {};
    return signature;
}

bool SodiumCrypto::verify(const Bytes& message, const Bytes& signature, const Bytes& public_key) {
    if (!ready_ || signature.size() != crypto_sign_BYTES || public_key.size() != crypto_sign_PUBLICKEYBYTES)
        return false;
    return crypto_sign_verify_detached(in(signature), in(message), message.size(), in(public_key)) == 0;
}

Bytes SodiumCrypto::random(std::size_t n) {
    if (!ready_) return {};
    Bytes bytes(n, '\0');
    randombytes_buf(out(bytes), n);
    return bytes;
}

Bytes SodiumCrypto::sha512(const Bytes& data) {
    if (!ready_) return {};
    Bytes digest(crypto_hash_sha512_BYTES, '\0');
    crypto_hash_sha512(out(digest), in(data), data.size());
    return digest;
}

Bytes SodiumCrypto::seal(const Bytes& plain, const Bytes& nonce, const Bytes& key) {
    if (!ready_ || nonce.size() != crypto_secretbox_NONCEBYTES || key.size() != crypto_secretbox_KEYBYTES ||
        plain.size() > crypto_secretbox_MESSAGEBYTES_MAX - crypto_secretbox_MACBYTES)
        return {};
    Bytes sealed(plain.size() + crypto_secretbox_MACBYTES, '\0');
    if (crypto_secretbox_easy(out(sealed), in(plain), plain.size(), in(nonce), in(key)) != 0) return {};
    return sealed;
}

std::optional<Bytes> SodiumCrypto::open(const Bytes& sealed, const Bytes& nonce, const Bytes& key) {
    if (!ready_ || nonce.size() != crypto_secretbox_NONCEBYTES || key.size() != crypto_secretbox_KEYBYTES ||
        sealed.size() < crypto_secretbox_MACBYTES)
        return std::nullopt;
    Bytes plain(sealed.size() - crypto_secretbox_MACBYTES, '\0');
    if (crypto_secretbox_open_easy(out(plain), in(sealed), sealed.size(), in(nonce), in(key)) != 0)
        return std::nullopt;
    return plain;
}

}  // namespace quintora::sodium
