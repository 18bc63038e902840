// Directory searches: an anonymous connection to the host of an "ldap://" URL, one
// subtree search per request, every value of one attribute handed to a consumer
// with a one-line summary of its entry.
#pragma once

#include <atomic>
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
inline constexpr int kLdapSearchDeadlineSeconds = 300;
inline constexpr size_t kLdapMaxMessageBytes = 16u << 20;
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

// How a search ended. A search that found values and then failed reports the
// failure; the values already delivered stay delivered.
enum class LdapSearchOutcome {
    Found,          // the server said it was done (or the consumer stopped it)
    NoResult,       // done without one value of the attribute
    NoServer,       // no connection, or the server closed it
    TimeOut,        // no message within the wait, or the search outlived its deadline
    ProtocolError,  // the answer was no LDAP, or one message was over the bound
    Cancelled,      // the caller's cancel flag was set
};
// "found", "no result", "no server", "time-out", "protocol error", "cancelled".
const char* LdapOutcomeText(LdapSearchOutcome outcome);

struct LdapSearchLimits {
    int messageWaitSeconds = kLdapResultTimeoutSeconds;  // for each message
    int deadlineSeconds = kLdapSearchDeadlineSeconds;    // for the whole search
    size_t maxMessageBytes = kLdapMaxMessageBytes;       // for one message
};
// The limits a search runs with: "Directory"/"SearchTimeout" (seconds) and
// "Directory"/"MaxMessageSize" (bytes) of the configuration; the defaults where
// they are missing or not above 0.
LdapSearchLimits LdapConfiguredLimits();

struct LdapSearchReport {
    int count = 0;  // values delivered
    LdapSearchOutcome outcome = LdapSearchOutcome::NoResult;
};

// One search with its limits. A set cancel flag ends the search within a fraction
// of a second, also while it waits for the server. The consumer gets its end call
// in every case.
LdapSearchReport LdapRunSearch(LdapConnection connection, const char* base, const char* filter,
                               int scope, const char* attribute, LdapResultConsumer consumer,
                               void* context, const LdapSearchLimits& limits,
                               const std::atomic<bool>* cancel = nullptr);

// The number of values delivered, with the configured limits.
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
