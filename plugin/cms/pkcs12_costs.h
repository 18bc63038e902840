// What a PKCS#12 file may make the module spend on one password try. Its MAC and
// every password-based encryption in it name their own iteration counts (and for
// scrypt their memory), which the file's author chooses freely: a crafted file
// could keep the import busy for minutes per try. The counts are read from the
// structure before any password is used.
#pragma once

#include <openssl/pkcs12.h>

#include <cstdint>
#include <span>

namespace orx {

// Files of common programs use 2,000 to 600,000 iterations.
inline constexpr int64_t kMaxPkcs12Iterations = 1000000;

// True when the MAC and every encryption of the file (its encrypted contents and
// its shrouded key bags, nested ones too) keep within kMaxPkcs12Iterations, and a
// scrypt derivation within the token files' bounds. A structure that cannot be
// read that far is refused as well.
bool Pkcs12CostsAcceptable(const PKCS12* p12);
bool Pkcs12CostsAcceptable(std::span<const uint8_t> bytes);

}  // namespace orx
