#include "pkcs11/product_version.h"

#include <cstdlib>
#include <string>

#include "core/product_identity.h"

namespace orx::p11 {

CK_VERSION VersionOf(std::string_view text) {
    CK_VERSION version{};
    version.major = static_cast<CK_BYTE>(std::atoi(std::string(text).c_str()));
    const size_t dot = text.find('.');
    if (dot != std::string_view::npos)
        version.minor = static_cast<CK_BYTE>(std::atoi(std::string(text.substr(dot + 1)).c_str()));
    return version;
}

CK_VERSION ProductVersion() {
    return VersionOf(GetProductVersion());
}

}  // namespace orx::p11
