// libs: orxcore OpenSSL::Crypto
// Our SHA-1 and Base64 against OpenSSL's, in one run, with the ratios of their
// throughputs (ours / OpenSSL) printed at the end. To keep OpenSSL off the SHA
// instructions, as a fair scalar comparison: OPENSSL_ia32cap=":~0x20000000".
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/base64.h"
#include "core/sha1.h"

namespace {

constexpr size_t kMiB = 1 << 20;

std::vector<uint8_t> RandomBytes(size_t n) {
    std::mt19937 generator(42);
    std::vector<uint8_t> bytes(n);
    for (auto& b : bytes) {
        b = static_cast<uint8_t>(generator());
    }
    return bytes;
}

void Sha1Ours(benchmark::State& state, size_t size) {
    const auto data = RandomBytes(size);
    orx::Sha1Digest digest;
    for (auto _ : state) {
        orx::Sha1Context context;
        orx::Sha1Init(context);
        orx::Sha1Update(context, data);
        orx::Sha1Final(context, digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void Sha1OpenSsl(benchmark::State& state, size_t size) {
    const auto data = RandomBytes(size);
    // Fetched once and the context reused: the cost of a lookup per hash would
    // flatter us on short inputs.
    std::unique_ptr<EVP_MD, decltype(&EVP_MD_free)> md(EVP_MD_fetch(nullptr, "SHA1", nullptr),
                                                       EVP_MD_free);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!md || !ctx) {
        state.SkipWithError("OpenSSL SHA-1 unavailable");
        return;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    for (auto _ : state) {
        EVP_DigestInit_ex2(ctx.get(), md.get(), nullptr);
        EVP_DigestUpdate(ctx.get(), data.data(), data.size());
        EVP_DigestFinal_ex(ctx.get(), digest, &length);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void EncodeOurs(benchmark::State& state) {
    const auto data = RandomBytes(kMiB);
    std::vector<char> out(orx::Base64EncodedLength(data.size()) + 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(orx::Base64Encode(std::span<char>(out), data));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMiB));
}

void EncodeOpenSsl(benchmark::State& state) {
    const auto data = RandomBytes(kMiB);
    std::vector<unsigned char> out(orx::Base64EncodedLength(data.size()) + 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            EVP_EncodeBlock(out.data(), data.data(), static_cast<int>(data.size())));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMiB));
}

void DecodeOurs(benchmark::State& state) {
    const std::string text = orx::Base64Encode(RandomBytes(kMiB));
    std::vector<uint8_t> out(kMiB + 3);
    for (auto _ : state) {
        benchmark::DoNotOptimize(orx::Base64Decode(std::span<uint8_t>(out), text));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMiB));
}

void DecodeOpenSsl(benchmark::State& state) {
    const std::string text = orx::Base64Encode(RandomBytes(kMiB));
    std::vector<unsigned char> out(kMiB + 3);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                            static_cast<int>(text.size())));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMiB));
}

// Prints as usual and remembers every throughput by benchmark name.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto it = run.counters.find("bytes_per_second");
            if (run.error_occurred || it == run.counters.end()) {
                continue;
            }
            throughput[run.benchmark_name()] = it->second.value;
        }
    }
    std::map<std::string, double> throughput;
};

}  // namespace

int main(int argc, char** argv) {
    const std::pair<const char*, size_t> sizes[] = {{"64B", 64}, {"1KiB", 1024}, {"1MiB", kMiB}};
    for (const auto& [label, size] : sizes) {
        benchmark::RegisterBenchmark((std::string("sha1/ours/") + label).c_str(), Sha1Ours, size);
        benchmark::RegisterBenchmark((std::string("sha1/openssl/") + label).c_str(), Sha1OpenSsl,
                                     size);
    }
    benchmark::RegisterBenchmark("base64-encode/ours/1MiB", EncodeOurs);
    benchmark::RegisterBenchmark("base64-encode/openssl/1MiB", EncodeOpenSsl);
    benchmark::RegisterBenchmark("base64-decode/ours/1MiB", DecodeOurs);
    benchmark::RegisterBenchmark("base64-decode/openssl/1MiB", DecodeOpenSsl);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nthroughput ratio, ours / OpenSSL:\n");
    const char* pairs[][2] = {
        {"sha1/ours/64B", "sha1/openssl/64B"},
        {"sha1/ours/1KiB", "sha1/openssl/1KiB"},
        {"sha1/ours/1MiB", "sha1/openssl/1MiB"},
        {"base64-encode/ours/1MiB", "base64-encode/openssl/1MiB"},
        {"base64-decode/ours/1MiB", "base64-decode/openssl/1MiB"},
    };
    for (const auto& [ours, theirs] : pairs) {
        const auto a = reporter.throughput.find(ours);
        const auto b = reporter.throughput.find(theirs);
        if (a == reporter.throughput.end() || b == reporter.throughput.end() || b->second <= 0) {
            continue;
        }
        std::printf("  %-28s %.2f\n", ours, a->second / b->second);
    }
    return 0;
}
