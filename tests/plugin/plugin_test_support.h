// Helpers shared by the module's tests: cheap key derivation for new tokens, and
// token files made directly through the storage layer.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "keys/token_crypto.h"
#include "tokenfile/token_file.h"

namespace orx::testing {

// The cheapest scrypt cost that the module honours; tests never wait for a real one.
inline KdfParams CheapKdf() {
    KdfParams params;
    params.log2N = 2;
    return params;
}

inline std::vector<uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

// A token with one public certificate and one private key object.
inline std::vector<uint8_t> MakeTokenBytes(const std::string& label, const std::string& password,
                                           const std::string& secret = "PRIVATE-KEY-MARKER-42",
                                           KdfParams kdf = CheapKdf()) {
    TokenFile file;
    TokenKey key;
    if (!NewTokenFile(label, password, kdf, file, key))
        return {};
    file.publicObjects.push_back(
        {ObjectKind::Certificate, false, "01", "cert", "", Bytes("PUBLIC-CERT")});
    std::vector<TokenObject> privateObjects{
        {ObjectKind::PrivateKey, true, "01", "key", "", Bytes(secret)}};
    std::vector<uint8_t> bytes;
    SerializeTokenFile(file, key, privateObjects, bytes);
    return bytes;
}

inline bool Contains(const std::vector<uint8_t>& haystack, std::string_view needle) {
    // Bytes compare as unsigned: a plain char of 0x80 and above would never match.
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                       [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); }) !=
           haystack.end();
}

}  // namespace orx::testing
