// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's cryptography against published vectors: RFC 8032's first
// Ed25519 test, the secret box of NaCl's own tests, and SHA-512 of "abc"
// from FIPS 180-2. The page's side is held to the same bytes by
// web/tests/crypto_interop.js.
#include <gtest/gtest.h>

#include "sodium/sodium_crypto.h"

namespace quintora {
namespace {

using net::Bytes;

Bytes unhex(std::string_view hex) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out += char(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return out;
}

// RFC 8032, 7.1, TEST 1: the empty message.
const Bytes rfc_seed = unhex("9d61b19deffd5a60ba844af492ec2cc44449c5697b326919703bac031cae7f60");
const Bytes rfc_public = unhex("d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a");
const Bytes rfc_signature = unhex(
    "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39701cf9b46bd25bf5f0595bbe24655141438e7a100b");

// NaCl's secretbox test: 131 bytes sealed into 147.
const Bytes box_key = unhex("1b27556473e985d462cd51197a9a46c76009549eac6474f206c4ee0844f68389");
const Bytes box_nonce = unhex("69696ee955b62b73cd62bda875fc73d68219e0036b7a0b37");
const Bytes box_plain = unhex(
    "be075fc53c81f2d5cf141316ebeb0c7b5228c52a4c62cbd44b66849b64244ffce5ecbaaf33bd751a1ac728d45e6c61296cdc3c01233561f41db66cce314adb31"
    "0e3be8250c46f06dceea3a7fa1348057e2f6556ad6b1318a024a838f21af1fde048977eb48f59ffd4924ca1c60902e52f0a089bc76897040e082f93776384864"
    "5e0705");
const Bytes box_sealed = unhex(
    "f3ffc7703f9400e52a7dfb4b3d3305d98e993b9f48681273c29650ba32fc76ce48332ea7164d96a4476fb8c531a1186ac0dfc17c98dce87b4da7f011ec48c972"
    "71d2c20f9b928fe2270d6fb863d51738b48eeee314a7cc8ab932164548e526ae90224368517acfeabd6bb3732bc0e9da99832b61ca01b6de56244a9e88d5f9b3"
    "7973f622a43d14a6599b1f654cb45a74e355a5");

Bytes flipped(Bytes b, std::size_t at) {
    b[at] = char(b[at] ^ 0x01);
    return b;
}

TEST(SodiumCryptoTest, SignsAsRfc8032AndRefusesAnyChangedByte) {
    sodium::SodiumCrypto crypto;
    const net::SigningKeys keys = crypto.signing_keys_from_seed(rfc_seed);
    EXPECT_EQ(keys.public_key, rfc_public);
    EXPECT_EQ(keys.secret_key, rfc_seed + rfc_public);  // libsodium's layout: seed, then public key
    EXPECT_EQ(crypto.sign("", keys.secret_key), rfc_signature);
    EXPECT_TRUE(crypto.verify("", rfc_signature, rfc_public));

    const Bytes message = "step 3 0123456789abcdef p1 p2\npress 9 9";
    const Bytes signature = crypto.sign(message, keys.secret_key);
    EXPECT_TRUE(crypto.verify(message, signature, rfc_public));
    EXPECT_FALSE(crypto.verify(flipped(message, 5), signature, rfc_public));
    EXPECT_FALSE(crypto.verify(message, flipped(signature, 0), rfc_public));
    EXPECT_FALSE(crypto.verify(message, flipped(signature, 63), rfc_public));
    EXPECT_FALSE(crypto.verify(message, signature, crypto.signing_keys().public_key));
}

TEST(SodiumCryptoTest, SealsAsNaClAndRefusesAnAlteredOrMovedBox) {
    sodium::SodiumCrypto crypto;
    EXPECT_EQ(crypto.seal(box_plain, box_nonce, box_key), box_sealed);
    EXPECT_EQ(crypto.open(box_sealed, box_nonce, box_key), box_plain);
    EXPECT_EQ(crypto.open(crypto.seal("", box_nonce, box_key), box_nonce, box_key), Bytes());

    EXPECT_EQ(crypto.open(flipped(box_sealed, 0), box_nonce, box_key), std::nullopt);    // the tag
    EXPECT_EQ(crypto.open(flipped(box_sealed, 146), box_nonce, box_key), std::nullopt);  // the text
    EXPECT_EQ(crypto.open(box_sealed.substr(0, 146), box_nonce, box_key), std::nullopt);
    // The same box replayed under another message's nonce, or another room's key.
    EXPECT_EQ(crypto.open(box_sealed, flipped(box_nonce, 23), box_key), std::nullopt);
    EXPECT_EQ(crypto.open(box_sealed, box_nonce, flipped(box_key, 0)), std::nullopt);
}

TEST(SodiumCryptoTest, HashesAsFips180) {
    sodium::SodiumCrypto crypto;
    EXPECT_EQ(crypto.sha512("abc"), unhex("ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
                                          "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"));
}

TEST(SodiumCryptoTest, FreshKeysAndRandomBytesDifferEachTime) {
    sodium::SodiumCrypto crypto;
    const net::SigningKeys a = crypto.signing_keys(), b = crypto.signing_keys();
    ASSERT_EQ(a.public_key.size(), 32u);
    ASSERT_EQ(a.secret_key.size(), 64u);
    EXPECT_NE(a.public_key, b.public_key);
    EXPECT_TRUE(crypto.verify("m", crypto.sign("m", a.secret_key), a.public_key));
    EXPECT_EQ(crypto.random(24).size(), 24u);
    EXPECT_NE(crypto.random(32), crypto.random(32));
    EXPECT_EQ(crypto.random(0), Bytes());
}

TEST(SodiumCryptoTest, RefusesEverySizeButItsOwn) {
    sodium::SodiumCrypto crypto;
    const Bytes secret = rfc_seed + rfc_public;
    EXPECT_EQ(crypto.signing_keys_from_seed(rfc_seed.substr(1)).public_key, Bytes());
    EXPECT_EQ(crypto.signing_keys_from_seed(rfc_seed + "x").secret_key, Bytes());
    EXPECT_EQ(crypto.sign("m", secret.substr(1)), Bytes());
    EXPECT_EQ(crypto.sign("m", rfc_seed), Bytes());
    EXPECT_FALSE(crypto.verify("", rfc_signature.substr(1), rfc_public));
    EXPECT_FALSE(crypto.verify("", rfc_signature + "x", rfc_public));
    EXPECT_FALSE(crypto.verify("", rfc_signature, rfc_public.substr(1)));
    EXPECT_EQ(crypto.seal("m", box_nonce.substr(1), box_key), Bytes());
    EXPECT_EQ(crypto.seal("m", box_nonce, box_key + "x"), Bytes());
    EXPECT_EQ(crypto.open(box_sealed, box_nonce + "x", box_key), std::nullopt);
    EXPECT_EQ(crypto.open(box_sealed, box_nonce, box_key.substr(1)), std::nullopt);
    EXPECT_EQ(crypto.open(Bytes(15, '\0'), box_nonce, box_key), std::nullopt);
    EXPECT_EQ(crypto.open("", box_nonce, box_key), std::nullopt);
}

}  // namespace
}  // namespace quintora
