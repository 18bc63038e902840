// The product's version as PKCS#11 gives it: the library's, and every slot's and
// token's hardware and firmware.
#pragma once

#include <p11-kit/pkcs11.h>

#include <string_view>

namespace orx::p11 {

// The leading numbers of "major.minor[...]": a part without digits is 0.
CK_VERSION VersionOf(std::string_view text);
// VersionOf the product's version text.
CK_VERSION ProductVersion();

}  // namespace orx::p11
