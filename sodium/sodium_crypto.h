// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The desktop's cryptography: net::Crypto over libsodium.

#include "net/crypto.h"

namespace quintora::sodium {

class SodiumCrypto : public net::Crypto {
public:
    // Initialises libsodium once for the process; a library that cannot
    // start (no source of randomness) makes every call here refuse.
    SodiumCrypto();

    net::SigningKeys signing_keys() override;
    net::SigningKeys signing_keys_from_seed(const net::Bytes& seed32) override;
    net::Bytes sign(const net::Bytes& message, const net::Bytes& secret_key) override;
    bool verify(const net::Bytes& message, const net::Bytes& signature, const net::Bytes& public_key) override;
    net::Bytes random(std::size_t n) override;
    net::Bytes sha512(const net::Bytes& data) override;
    net::Bytes seal(const net::Bytes& plain, const net::Bytes& nonce, const net::Bytes& key) override;
    std::optional<net::Bytes> open(const net::Bytes& sealed, const net::Bytes& nonce, const net::Bytes& key) override;

private:
    bool ready_ = false;
};

}  // namespace quintora::sodium
