// libs: orxcore orxder OpenSSL::Crypto
// Decoding every certificate of the system's CA bundle with both names as text:
// our codec (Decode, then the issuer and subject name texts) against OpenSSL
// (d2i_X509, then X509_NAME_print_ex of both names in the same dotted form), in
// one run, with certificates per second for each and their ratio.
#include <benchmark/benchmark.h>
#include <glob.h>
#include <openssl/bio.h>
#include <openssl/x509.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/base64.h"
#include "core/file_helpers.h"
#include "der/der_certificate.h"
#include "der/der_result.h"

namespace {

using Der = std::vector<uint8_t>;

std::vector<Der> LoadBundle() {
    std::vector<Der> certificates;
    glob_t found{};
    if (::glob("/etc/ssl/certs/*.pem", 0, nullptr, &found) == 0) {
        for (size_t i = 0; i < found.gl_pathc; ++i) {
            std::string pem;
            if (!orx::ReadWholeFile(found.gl_pathv[i], pem))
                continue;
            Der der = orx::Base64Decode(pem);
            if (!der.empty())
                certificates.push_back(std::move(der));
        }
    }
    ::globfree(&found);
    return certificates;
}

const std::vector<Der>& Bundle() {
    static const std::vector<Der> bundle = LoadBundle();
    return bundle;
}

void SetRate(benchmark::State& state, size_t perIteration) {
    state.counters["certs_per_second"] = benchmark::Counter(
        static_cast<double>(state.iterations() * perIteration), benchmark::Counter::kIsRate);
    state.counters["us_per_cert"] =
        benchmark::Counter(static_cast<double>(state.iterations() * perIteration),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void DecodeOurs(benchmark::State& state) {
    const std::vector<Der>& bundle = Bundle();
    std::string issuer;
    std::string subject;
    for (auto _ : state) {
        for (const Der& der : bundle) {
            orx::DerCertificate certificate;
            if (certificate.Decode(der) != orx::DER_OK) {
                state.SkipWithError("a bundle certificate did not decode");
                return;
            }
            certificate.GetNameText(orx::kIssuer, issuer, 4096);
            certificate.GetNameText(orx::kSubject, subject, 4096);
            benchmark::DoNotOptimize(issuer.data());
            benchmark::DoNotOptimize(subject.data());
        }
    }
    SetRate(state, bundle.size());
}

void DecodeOpenSsl(benchmark::State& state) {
    const std::vector<Der>& bundle = Bundle();
    std::unique_ptr<BIO, decltype(&BIO_free)> out(BIO_new(BIO_s_mem()), BIO_free);
    const unsigned long flags = XN_FLAG_SEP_COMMA_PLUS | XN_FLAG_FN_OID | ASN1_STRFLGS_UTF8_CONVERT;
    for (auto _ : state) {
        for (const Der& der : bundle) {
            const unsigned char* p = der.data();
            std::unique_ptr<X509, decltype(&X509_free)> x509(
                d2i_X509(nullptr, &p, static_cast<long>(der.size())), X509_free);
            if (!x509) {
                state.SkipWithError("a bundle certificate did not decode");
                return;
            }
            (void)BIO_reset(out.get());
            X509_NAME_print_ex(out.get(), X509_get_issuer_name(x509.get()), 0, flags);
            X509_NAME_print_ex(out.get(), X509_get_subject_name(x509.get()), 0, flags);
            benchmark::ClobberMemory();
        }
    }
    SetRate(state, bundle.size());
}

// Prints as usual and remembers each rate by benchmark name.
class RateReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto it = run.counters.find("certs_per_second");
            if (run.error_occurred || it == run.counters.end())
                continue;
            // With repetitions only the mean stands for the benchmark.
            std::string name = run.benchmark_name();
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name != "mean")
                    continue;
                name = run.run_name.function_name;
            }
            rate[name] = it->second.value;
        }
    }
    std::map<std::string, double> rate;
};

}  // namespace

int main(int argc, char** argv) {
    std::printf("%zu certificates in /etc/ssl/certs\n", Bundle().size());
    if (Bundle().empty())
        return 1;
    benchmark::RegisterBenchmark("cert-decode/ours", DecodeOurs);
    benchmark::RegisterBenchmark("cert-decode/openssl", DecodeOpenSsl);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto ours = reporter.rate.find("cert-decode/ours");
    const auto theirs = reporter.rate.find("cert-decode/openssl");
    if (ours == reporter.rate.end() || theirs == reporter.rate.end() || theirs->second <= 0)
        return 1;
    std::printf(
        "\ncertificates per second: ours %.0f (%.2f us each), OpenSSL %.0f (%.2f us each)\n",
        ours->second, 1e6 / ours->second, theirs->second, 1e6 / theirs->second);
    std::printf("ratio, ours / OpenSSL: %.1f\n", ours->second / theirs->second);
    return 0;
}
