// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/web_crypto.h"

#include <emscripten.h>

namespace quintora::web {

using net::Bytes;

namespace {

// Each call hands the script where its inputs lie and where to write its
// answer, of the size the caller has made room for; nothing in between
// allocates, so the memory the script was given stays where it is.
EM_ASYNC_JS(int, page_crypto_load, (), { return (await QuintoraCrypto.load()) ? 1 : 0; });
EM_JS(int, page_crypto_ready, (), { return typeof QuintoraCrypto !== "undefined" && QuintoraCrypto.ready() ? 1 : 0; });
EM_JS(int, page_crypto_keys, (const char* seed, int seeded, char* into), {
    const k = QuintoraCrypto.keys(seeded ? HEAPU8.slice(seed >>> 0, (seed >>> 0) + 32) : null);
    if (!k) return 0;
    HEAPU8.set(k, into >>> 0);
    return 1;
});
EM_JS(int, page_crypto_sign, (const char* message, int size, const char* secret_key, char* into), {
    const s = QuintoraCrypto.sign(HEAPU8.slice(message >>> 0, (message >>> 0) + size),
                                  HEAPU8.slice(secret_key >>> 0, (secret_key >>> 0) + 64));
    if (!s || s.length !== 64) return 0;
    HEAPU8.set(s, into >>> 0);
    return 1;
});
EM_JS(int, page_crypto_verify, (const char* message, int size, const char* signature, const char* public_key), {
    return QuintoraCrypto.verify(HEAPU8.slice(message >>> 0, (message >>> 0) + size),
                                 HEAPU8.slice(signature >>> 0, (signature >>> 0) + 64),
                                 HEAPU8.slice(public_key >>> 0, (public_key >>> 0) + 32)) ? 1 : 0;
});
EM_JS(int, page_crypto_random, (char* into, int size), {
    const r = QuintoraCrypto.random(size);
    if (!r || r.length !== size) return 0;
    HEAPU8.set(r, into >>> 0);
    return 1;
});
EM_JS(int, page_crypto_sha512, (const char* data, int size, char* into), {
    const h = QuintoraCrypto.sha512(HEAPU8.slice(data >>> 0, (data >>> 0) + size));
    if (!h || h.length !== 64) return 0;
    HEAPU8.set(h, into >>> 0);
    return 1;
});
EM_JS(int, page_crypto_seal, (const char* plain, int size, const char* nonce, const char* key, char* into), {
    const b = QuintoraCrypto.seal(HEAPU8.slice(plain >>> 0, (plain >>> 0) + size),
                                  HEAPU8.slice(nonce >>> 0, (nonce >>> 0) + 24), HEAPU8.slice(key >>> 0, (key >>> 0) + 32));
    if (!b || b.length !== size + 16) return 0;
    HEAPU8.set(b, into >>> 0);
    return 1;
});
EM_JS(int, page_crypto_open, (const char* sealed, int size, const char* nonce, const char* key, char* into), {
    const p = QuintoraCrypto.open(HEAPU8.slice(sealed >>> 0, (sealed >>> 0) + size),
                                  HEAPU8.slice(nonce >>> 0, (nonce >>> 0) + 24), HEAPU8.slice(key >>> 0, (key >>> 0) + 32));
    if (!p || p.length !== size - 16) return 0;
    HEAPU8.set(p, into >>> 0);
    return 1;
});

// What the script takes as a length: the program's memory is far below 2 GiB.
constexpr std::size_t largest = 0x7fff0000;

bool ready() { return page_crypto_ready() != 0; }

net::SigningKeys split(const Bytes& both) {
    return {both.substr(0, net::signing_public_key_size), both.substr(net::signing_public_key_size)};
}

}  // namespace

bool PageCrypto::load() { return ready() || page_crypto_load() != 0; }

net::SigningKeys PageCrypto::signing_keys() {
    Bytes both(net::signing_public_key_size + net::signing_secret_key_size, '\0');
    if (!ready() || !page_crypto_keys(nullptr, 0, both.data())) return {};
    return split(both);
}

net::SigningKeys PageCrypto::signing_keys_from_seed(const Bytes& seed32) {
    Bytes both(net::signing_public_key_size + net::signing_secret_key_size, '\0');
    if (!ready() || seed32.size() != net::signing_seed_size || !page_crypto_keys(seed32.data(), 1, both.data()))
        return {};
    return split(both);
}

Bytes PageCrypto::sign(const Bytes& message, const Bytes& secret_key) {
    Bytes signature(net::signature_size, '\0');
    if (!ready() || secret_key.size() != net::signing_secret_key_size || message.size() > largest ||
        !page_crypto_sign(message.data(), int(message.size()), secret_key.data(), signature.data()))
        return {};
    return signature;
}

bool PageCrypto::verify(const Bytes& message, const Bytes& signature, const Bytes& public_key) {
    return ready() && signature.size() == net::signature_size && public_key.size() == net::signing_public_key_size &&
           message.size() <= largest &&
           page_crypto_verify(message.data(), int(message.size()), signature.data(), public_key.data()) != 0;
}

Bytes PageCrypto::random(std::size_t n) {
    if (!ready() || n > largest) return {};
    Bytes bytes(n, '\0');
    if (!page_crypto_random(bytes.data(), int(n))) return {};
    return bytes;
}

Bytes PageCrypto::sha512(const Bytes& data) {
    Bytes digest(net::sha512_size, '\0');
    if (!ready() || data.size() > largest || !page_crypto_sha512(data.data(), int(data.size()), digest.data()))
        return {};
    return digest;
}

Bytes PageCrypto::seal(const Bytes& plain, const Bytes& nonce, const Bytes& key) {
    if (!ready() || nonce.size() != net::box_nonce_size || key.size() != net::box_key_size ||
        plain.size() > largest - net::box_overhead)
        return {};
    Bytes sealed(plain.size() + net::box_overhead, '\0');
    if (!page_crypto_seal(plain.data(), int(plain.size()), nonce.data(), key.data(), sealed.data())) return {};
    return sealed;
}

std::optional<Bytes> PageCrypto::open(const Bytes& sealed, const Bytes& nonce, const Bytes& key) {
    if (!ready() || nonce.size() != net::box_nonce_size || key.size() != net::box_key_size ||
        sealed.size() < net::box_overhead || sealed.size() > largest)
        return std::nullopt;
    Bytes plain(sealed.size() - net::box_overhead, '\0');
    if (!page_crypto_open(sealed.data(), int(sealed.size()), nonce.data(), key.data(), plain.data()))
        return std::nullopt;
    return plain;
}

}  // namespace quintora::web
