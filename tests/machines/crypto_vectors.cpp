// SPDX-License-Identifier: GPL-3.0-or-later
// A side's cryptography driven line by line, for the test that holds the
// page's and the desktop's to the same bytes (web/tests/crypto_interop.js):
// built natively it is the desktop's (libsodium), built by emcc and run by
// Node the page's adapter (web_crypto.cpp over TweetNaCl). Each line of
// stdin is an operation with its inputs in hex ("." for no bytes); each line
// of stdout its answer:
//   keys SEED | fresh          -> PUBLIC SECRET
//   sign MESSAGE SECRET        -> SIGNATURE
//   verify MESSAGE SIGNATURE PUBLIC -> 1 | 0
//   sha512 DATA                -> DIGEST
//   seal PLAIN NONCE KEY       -> SEALED
//   open SEALED NONCE KEY      -> PLAIN | refused
// An empty answer is ".".
#include <iostream>
#include <sstream>
#include <string>

#ifdef __EMSCRIPTEN__
#include "web/web_crypto.h"
#else
#include "sodium/sodium_crypto.h"
#endif

namespace {

using quintora::net::Bytes;

std::string hex(const Bytes& b) {
    if (b.empty()) return ".";
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : b) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

Bytes unhex(const std::string& h) {
    Bytes out;
    if (h == ".") return out;
    for (std::size_t i = 0; i + 1 < h.size(); i += 2) out += char(std::stoi(h.substr(i, 2), nullptr, 16));
    return out;
}

}  // namespace

int main() {
#ifdef __EMSCRIPTEN__
    if (!quintora::web::PageCrypto::load()) return 1;
    quintora::web::PageCrypto crypto;
#else
    quintora::sodium::SodiumCrypto crypto;
#endif
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string op, a, b, c;
        in >> op >> a >> b >> c;
        if (op == "keys" || op == "fresh") {
            const auto k = op == "keys" ? crypto.signing_keys_from_seed(unhex(a)) : crypto.signing_keys();
            std::cout << hex(k.public_key) << ' ' << hex(k.secret_key) << '\n';
        } else if (op == "sign") {
            std::cout << hex(crypto.sign(unhex(a), unhex(b))) << '\n';
        } else if (op == "verify") {
            std::cout << (crypto.verify(unhex(a), unhex(b), unhex(c)) ? "1" : "0") << '\n';
        } else if (op == "sha512") {
            std::cout << hex(crypto.sha512(unhex(a))) << '\n';
        } else if (op == "seal") {
            std::cout << hex(crypto.seal(unhex(a), unhex(b), unhex(c))) << '\n';
        } else if (op == "open") {
            const auto plain = crypto.open(unhex(a), unhex(b), unhex(c));
            std::cout << (plain ? hex(*plain) : "refused") << '\n';
        } else {
            std::cout << "unknown\n";
        }
    }
    return 0;
}
