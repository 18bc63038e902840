// Directory searches: an anonymous connection to the host of an "ldap://" URL, one
// subtree search per request, every value of one attribute handed to a consumer
// with a one-line summary of its entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct ldap;  // the library's connection

namespace orx {

// Owned by the caller from LdapConnect on; give it back to LdapDisconnect.
using LdapConnection = ::ldap*;

inline constexpr int kLdapDefaultPort = 389;
inline constexpr int kLdapScopeSubtree = 2;
inline constexpr size_t kLdapUrlCapacity = 260;
inline constexpr size_t kLdapEntryTextCapacity = 256;
inline constexpr int kLdapResultTimeoutSeconds = 60;
inline constexpr const char* kLdapCertificateAttribute = "userCertificate;binary";

// Non-zero: continue; zero: stop after this entry. The end of a search is one last
// call with entryText and value nullptr and length 0, whose answer is ignored.
using LdapResultConsumer = int (*)(void* context, const char* entryText, const uint8_t* value,
                                   size_t length);

// nullptr when the library is not there or the host does not answer. A call that
// finds the library takes a reference even when the open fails; only
// LdapDisconnect gives it back, so call it for nullptr too.
LdapConnection LdapConnect(const char* host, int port);
LdapConnection LdapConnectUrl(std::string_view url);
void LdapDisconnect(LdapConnection connection);

// The number of values delivered.
int LdapSearchValues(LdapConnection connection, const char* base, const char* filter, int scope,
                     const char* attribute, LdapResultConsumer consumer, void* context);
int LdapSearchCertificates(LdapConnection connection, const char* base, const char* filter,
                           LdapResultConsumer consumer, void* context);

// How an "ldap://" URL is read: host and port (389 when none is given; a path is
// ignored).
struct LdapAddress {
    std::string host;
    int port = kLdapDefaultPort;
};
LdapAddress ParseLdapUrl(std::string_view url);

// Seconds to wait for one message in place of kLdapResultTimeoutSeconds, when
// above 0. The program never sets it; a test of a silent server cannot wait a minute.
int& LdapResultTimeoutOverride();

}  // namespace orx
