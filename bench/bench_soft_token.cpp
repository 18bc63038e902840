// libs: orxtokens
// What a soft token costs: the key derivation of a login (the deliberate part), and
// reading and writing a token file with a few hundred kilobytes of objects.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "tokenfile/token_file.h"

namespace {

void BM_DeriveKey(benchmark::State& state) {
    orx::KdfParams params;
    params.log2N = static_cast<uint8_t>(state.range(0));
    const std::vector<uint8_t> salt(orx::kSaltSize, 7);
    for (auto _ : state) {
        orx::TokenKey key;
        benchmark::DoNotOptimize(orx::DeriveTokenKey("benchmark-password", salt, params, key));
    }
}
BENCHMARK(BM_DeriveKey)->Arg(10)->Arg(14)->Arg(16)->Unit(benchmark::kMillisecond);

void BM_Pbkdf2(benchmark::State& state) {
    orx::KdfParams params;
    params.kind = orx::KdfKind::Pbkdf2;
    params.iterations = 600000;
    const std::vector<uint8_t> salt(orx::kSaltSize, 7);
    for (auto _ : state) {
        orx::TokenKey key;
        benchmark::DoNotOptimize(orx::DeriveTokenKey("benchmark-password", salt, params, key));
    }
}
BENCHMARK(BM_Pbkdf2)->Unit(benchmark::kMillisecond)->Iterations(3);

struct Token {
    orx::TokenFile file;
    orx::TokenKey key;
    std::vector<orx::TokenObject> privateObjects;
    Token() {
        orx::KdfParams cheap;
        cheap.log2N = 2;
        orx::NewTokenFile("Bench", "benchmark-password", cheap, file, key);
        for (int i = 0; i < 50; ++i) {
            file.publicObjects.push_back({orx::ObjectKind::Certificate, false, std::to_string(i),
                                          "c", "", std::vector<uint8_t>(1500, 0x30)});
            privateObjects.push_back({orx::ObjectKind::PrivateKey, true, std::to_string(i), "k", "",
                                      std::vector<uint8_t>(1200, 0x02)});
        }
    }
};

void BM_WriteToken(benchmark::State& state) {
    Token token;
    std::vector<uint8_t> bytes;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            orx::SerializeTokenFile(token.file, token.key, token.privateObjects, bytes));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_WriteToken);

void BM_ReadAndUnsealToken(benchmark::State& state) {
    Token token;
    std::vector<uint8_t> bytes;
    orx::SerializeTokenFile(token.file, token.key, token.privateObjects, bytes);
    for (auto _ : state) {
        orx::TokenFile file;
        std::vector<orx::TokenObject> objects;
        benchmark::DoNotOptimize(orx::ParseTokenFile(bytes, file));
        benchmark::DoNotOptimize(orx::UnsealToken(file, token.key, objects));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ReadAndUnsealToken);

}  // namespace

BENCHMARK_MAIN();
