// A soft token that holds one certificate with its private key, made through the
// real module as a user would: "CreateToken", then the PKCS#12 import. The module
// asks every password through its pinentry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orx {

class TokenApplication;

// 0, or the module's result of the step that failed.
int CreateTokenWithPkcs12(TokenApplication& app, const std::string& label,
                          const std::vector<uint8_t>& pkcs12);

}  // namespace orx
