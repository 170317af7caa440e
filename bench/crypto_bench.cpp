// SPDX-License-Identifier: GPL-3.0-or-later
// What signing and sealing cost a room's message of 100 bytes on the
// desktop (libsodium): the sender signs the message and seals it with the
// signature under a fresh nonce; a receiver opens and verifies. The bytes
// added are reported as the counter "added_bytes". The page's figures come
// from bench/page_crypto_bench.js. Quote the median and the spread of the
// 10 repetitions.
#include <benchmark/benchmark.h>

#include <algorithm>

#include "sodium/sodium_crypto.h"

namespace quintora::bench {
namespace {

using net::Bytes;

void add_spread(benchmark::internal::Benchmark* b) {
    b->Repetitions(10)
        ->ReportAggregatesOnly(true)
        ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
        ->ComputeStatistics("max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); })
        ->Unit(benchmark::kMicrosecond);
}

struct Fixture {
    sodium::SodiumCrypto crypto;
    net::SigningKeys keys = crypto.signing_keys_from_seed(Bytes(32, '\x07'));
    Bytes key = Bytes(32, '\x2a');
    Bytes message = Bytes(100, 'm');
};

// The sender's part: the nonce, the signature, the box; what goes out is
// nonce + box(message + signature).
Bytes sent(Fixture& f) {
    const Bytes nonce = f.crypto.random(net::box_nonce_size);
    return nonce + f.crypto.seal(f.message + f.crypto.sign(f.message, f.keys.secret_key), nonce, f.key);
}

void BM_sign_and_seal(benchmark::State& st) {
    Fixture f;
    std::size_t size = 0;
    for (auto _ : st) {
        const Bytes out = sent(f);
        size = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    st.counters["added_bytes"] = double(size - f.message.size());
}
BENCHMARK(BM_sign_and_seal)->Name("sign+seal/100_bytes")->Apply(add_spread);

void BM_open_and_verify(benchmark::State& st) {
    Fixture f;
    const Bytes wire = sent(f);
    for (auto _ : st) {
        const auto plain = f.crypto.open(wire.substr(net::box_nonce_size), wire.substr(0, net::box_nonce_size), f.key);
        const bool ok = plain && f.crypto.verify(plain->substr(0, plain->size() - net::signature_size),
                                                 plain->substr(plain->size() - net::signature_size), f.keys.public_key);
        if (!ok) st.SkipWithError("the message did not open and verify");
        benchmark::DoNotOptimize(ok);
    }
}
BENCHMARK(BM_open_and_verify)->Name("open+verify/100_bytes")->Apply(add_spread);

void BM_sign(benchmark::State& st) {
    Fixture f;
    for (auto _ : st) benchmark::DoNotOptimize(f.crypto.sign(f.message, f.keys.secret_key));
}
BENCHMARK(BM_sign)->Name("sign/100_bytes")->Apply(add_spread);

void BM_seal(benchmark::State& st) {
    Fixture f;
    const Bytes nonce(24, '\x01');
    for (auto _ : st) benchmark::DoNotOptimize(f.crypto.seal(f.message, nonce, f.key));
}
BENCHMARK(BM_seal)->Name("seal/100_bytes")->Apply(add_spread);

}  // namespace
}  // namespace quintora::bench

BENCHMARK_MAIN();
