// The LDAP filters of the Search Certificates dialog: what the simple form's name
// and e-mail address become, and whether an advanced filter is a template to be
// filled from the user's own certificates.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orx {

// The filter is held in this many bytes with its terminator; each input edit
// gives up to capacity - 1 bytes.
inline constexpr size_t kSearchFilterCapacity = 256;

// "(cn=*NAME*)" for a name, "(mail=*ADDRESS*)" for an address, and both together
// as "(&(cn=*NAME*)(mail=*ADDRESS*))"; empty when both are empty. Nothing is
// escaped: "*" and the like keep their filter meaning, as users type them. Inputs
// too long for the filter are cut (never within a UTF-8 sequence), the longer one
// first, so that the filter stays whole within its capacity.
std::string BuildSimpleFilter(std::string_view name, std::string_view email);

// A filter with a "<" runs once for each certificate on the user's tokens.
bool IsTemplateFilter(std::string_view filter);

}  // namespace orx
