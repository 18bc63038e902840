// Soft tokens for benchmarks, written straight in the module's file format with a
// cheap key derivation: a token of a thousand certificates is made in well under a
// second, where storing them one by one through the module would rewrite the file a
// thousand times.
#pragma once

#include <openssl/evp.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orx::bench {

inline constexpr const char* kBenchPassword = "benchmark-password";

// A certificate "CN=Bench User <serial>" issued by "CN=Bench CA", signed with `key`.
std::vector<uint8_t> MakeCertificate(EVP_PKEY* key, int serial);
// Writes <folder><label>.tkn holding `count` certificates (without keys); false
// when it cannot be written.
bool WriteTokenFile(const std::string& folder, const std::string& label, int count);

}  // namespace orx::bench
