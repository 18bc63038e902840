// The process-wide values behind product_identity.h, for code that must see them
// whole rather than one name at a time.
#pragma once

#include <string>

namespace orx::identity_detail {

struct Identity {
    std::string programPath;  // set through the seam, else /proc/self/exe
    bool initialised = false;
    std::string prefix;
    std::string productName;
    std::string companyName;
    std::string versionProductName;
    bool versionProductNameRead = false;
};

// Never destroyed: static destructors of other files read it.
Identity& IdentityState();

}  // namespace orx::identity_detail
