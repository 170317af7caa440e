// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The page's cryptography: net::Crypto over TweetNaCl (quintora-crypto.js and
// the nacl.min.js it loads). Bytes cross to the script through the program's
// memory, exactly, whatever their values.

#include "net/crypto.h"

namespace quintora::web {

class PageCrypto : public net::Crypto {
public:
    // Loads nacl.min.js unless it is there already, and waits for it (the
    // page's thread is handed back meanwhile). A page that only plays a game
    // never loads it; a room is made only after this said true. Until then
    // every call below refuses.
    static bool load();

    net::SigningKeys signing_keys() override;
    net::SigningKeys signing_keys_from_seed(const net::Bytes& seed32) override;
    net::Bytes sign(const net::Bytes& message, const net::Bytes& secret_key) override;
    bool verify(const net::Bytes& message, const net::Bytes& signature, const net::Bytes& public_key) override;
    net::Bytes random(std::size_t n) override;
    net::Bytes sha512(const net::Bytes& data) override;
    net::Bytes seal(const net::Bytes& plain, const net::Bytes& nonce, const net::Bytes& key) override;
    std::optional<net::Bytes> open(const net::Bytes& sealed, const net::Bytes& nonce, const net::Bytes& key) override;
};

}  // namespace quintora::web
