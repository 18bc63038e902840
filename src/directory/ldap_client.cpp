#include "directory/ldap_client.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "core/config_file.h"
#include "core/string_helpers.h"
#include "core/trace.h"
#include "directory/ldap_library.h"

namespace orx {

namespace {

constexpr std::string_view kScheme = "ldap://";

using Clock = std::chrono::steady_clock;

// How often a search that can be cancelled looks at its flag while it waits.
constexpr auto kCancelSlice = std::chrono::milliseconds(100);

// The wait for one message: a minute, unless a test of a silent server set less.
int ResultTimeoutSeconds() {
    const int seconds = LdapResultTimeoutOverride();
    return seconds > 0 ? seconds : kLdapResultTimeoutSeconds;
}

bool IsObjectClass(const char* name) {
    return EqualsNoCase(name, "objectClass");
}

// The attribute names of one entry in the server's order, each released as soon as
// the walk moves past it; the walk state goes when the walk ends.
class AttributeWalk {
  public:
    AttributeWalk(LDAP* ld, LDAPMessage* entry)
        : ld_(ld), entry_(entry), name_(LdapFirstAttribute(ld, entry, &walk_)) {}
    ~AttributeWalk() {
        LdapFreeName(name_);
        LdapEndAttributes(walk_);
    }
    AttributeWalk(const AttributeWalk&) = delete;
    AttributeWalk& operator=(const AttributeWalk&) = delete;

    const char* name() const { return name_; }
    void Next() {
        LdapFreeName(name_);
        name_ = walk_ != nullptr ? LdapNextAttribute(ld_, entry_, walk_) : nullptr;
    }

  private:
    LDAP* ld_;
    LDAPMessage* entry_;
    BerElement* walk_ = nullptr;
    char* name_;
};

// Pairs of name, "=" and value of the entry's text attributes, joined by ", ";
// what does not fit the buffer is left out, and binary values are never text.
void BuildEntryText(LDAP* ld, LDAPMessage* entry, std::string& text) {
    text.clear();
    for (AttributeWalk walk(ld, entry); walk.name() != nullptr; walk.Next()) {
        const char* name = walk.name();
        if (IsObjectClass(name))
            continue;
        struct berval** values = LdapGetValuesLen(ld, entry, name);
        if (values == nullptr)
            continue;
        if (values[0] != nullptr && std::strstr(name, "binary") == nullptr) {
            for (struct berval** v = values; *v != nullptr; ++v) {
                const size_t length = (*v)->bv_len;
                if (std::strlen(name) + text.size() + length + 3 >= kLdapEntryTextCapacity)
                    continue;
                if (!text.empty())
                    text += ", ";
                text += name;
                text += '=';
                text.append((*v)->bv_val, strnlen((*v)->bv_val, length));
            }
        }
        LdapValueFreeLen(values);
    }
}

// Hands every value of the wanted attribute to the consumer; the answer for the
// last value decides whether the search goes on.
void DeliverValues(LDAP* ld, LDAPMessage* entry, const char* attribute, const std::string& text,
                   LdapResultConsumer consumer, void* context, int& count, bool& stop) {
    for (AttributeWalk walk(ld, entry); walk.name() != nullptr; walk.Next()) {
        const char* name = walk.name();
        if (IsObjectClass(name) || !EqualsNoCase(name, attribute))
            continue;
        struct berval** values = LdapGetValuesLen(ld, entry, name);
        if (values == nullptr)
            continue;
        for (struct berval** v = values; *v != nullptr; ++v) {
            ++count;
            stop = consumer(context, text.c_str(), reinterpret_cast<const uint8_t*>((*v)->bv_val),
                            (*v)->bv_len) == 0;
        }
        LdapValueFreeLen(values);
    }
}

}  // namespace

LdapAddress ParseLdapUrl(std::string_view url) {
    if (StartsWithNoCase(url, kScheme))
        url.remove_prefix(kScheme.size());
    std::string rest(url.substr(0, kLdapUrlCapacity - 1));
    rest.resize(std::strlen(rest.c_str()));  // a NUL ends the URL as it ends a C text
    if (size_t slash = rest.find('/'); slash != std::string::npos)
        rest.resize(slash);
    LdapAddress address;
    if (size_t colon = rest.find(':'); colon != std::string::npos) {
        address.port = std::atoi(rest.c_str() + colon + 1);
        rest.resize(colon);
    }
    address.host = std::move(rest);
    return address;
}

LdapConnection LdapConnect(const char* host, int port) {
    LdapLoad();
    if (!LdapCanOpen())
        return nullptr;
    // A host that swallows the connection attempt would otherwise hold the caller
    // for as long as the system retries; it gets the wait of one message.
    LdapSetConnectTimeout(ResultTimeoutSeconds());
    LDAP* ld = LdapOpen(host, port);
    if (ld == nullptr) {
        Trace("Ldap - Failed to open %s:%d", host, port);
        return nullptr;
    }
    Trace("Ldap - Connected to %s:%d", host, port);
    return ld;
}

LdapConnection LdapConnectUrl(std::string_view url) {
    LdapAddress address = ParseLdapUrl(url);
    return LdapConnect(address.host.c_str(), address.port);
}

void LdapDisconnect(LdapConnection connection) {
    if (connection != nullptr)
        LdapUnbind(connection);
    LdapUnload();
}

namespace {

// A second hold on the connection's socket for the length of one search: the
// library closes its own when a read fails, and only the socket tells then whether
// the server had gone or had sent something that is no LDAP.
class SocketWatch {
  public:
    explicit SocketWatch(LDAP* ld) {
        const int socket = LdapSocket(ld);
        fd_ = socket >= 0 ? fcntl(socket, F_DUPFD_CLOEXEC, 0) : -1;
    }
    ~SocketWatch() {
        if (fd_ >= 0)
            close(fd_);
    }
    SocketWatch(const SocketWatch&) = delete;
    SocketWatch& operator=(const SocketWatch&) = delete;

    // True when the other side closed or reset the connection (or nothing can be
    // told).
    bool PeerGone() const {
        if (fd_ < 0)
            return true;
        char byte;
        const ssize_t n = recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
    }

  private:
    int fd_ = -1;
};

struct Waiter {
    LDAP* ld;
    int messageId;
    const LdapSearchLimits& limits;
    Clock::time_point deadline;
    const std::atomic<bool>* cancel;
    const SocketWatch& socket;
};

// Why a failed wait failed, from what the library left behind. It reports a
// message over the bound, an answer it could not read and a closed connection
// alike; the error number and the socket tell them apart.
LdapSearchOutcome ClassifyFailedWait(LDAP* ld, int error, const SocketWatch& socket,
                                     size_t maxMessageBytes) {
    const int code = LdapResultCode(ld);
    if (code == LDAP_SERVER_DOWN && error == ERANGE) {
        Trace("Ldap - Message larger than %zu bytes", maxMessageBytes);
        return LdapSearchOutcome::ProtocolError;
    }
    if (code == LDAP_SERVER_DOWN && socket.PeerGone()) {
        Trace("Ldap - Connection lost");
        return LdapSearchOutcome::NoServer;
    }
    if (code == LDAP_SERVER_DOWN)
        Trace("Ldap - Answer is no LDAP message");
    else
        Trace("Ldap - Protocol error %d", code);
    return LdapSearchOutcome::ProtocolError;
}

// The type of the next message of the search, or 0 with `failure` set when none
// came: silence for a whole message wait, the deadline, the cancel flag, or a
// failure of the connection.
int WaitForMessage(const Waiter& w, LDAPMessage** message, LdapSearchOutcome& failure) {
    const Clock::time_point messageEnd =
        Clock::now() + std::chrono::seconds(w.limits.messageWaitSeconds);
    for (;;) {
        if (w.cancel != nullptr && w.cancel->load()) {
            Trace("Ldap - Search cancelled");
            failure = LdapSearchOutcome::Cancelled;
            return 0;
        }
        const Clock::time_point now = Clock::now();
        const Clock::time_point end = std::min(messageEnd, w.deadline);
        if (now >= end) {
            if (end == w.deadline)
                Trace("Ldap - Search deadline of %d seconds passed", w.limits.deadlineSeconds);
            else
                Trace("Ldap - No answer within %d seconds", w.limits.messageWaitSeconds);
            failure = LdapSearchOutcome::TimeOut;
            return 0;
        }
        auto slice = std::chrono::duration_cast<std::chrono::microseconds>(end - now);
        if (w.cancel != nullptr)
            slice = std::min<std::chrono::microseconds>(slice, kCancelSlice);
        struct timeval timeout = {static_cast<time_t>(slice.count() / 1000000),
                                  static_cast<suseconds_t>(slice.count() % 1000000)};
        const int type = LdapResult(w.ld, w.messageId, 0, &timeout, message);
        if (type == 0)
            continue;
        if (type == -1) {
            const int error = errno;
            failure = ClassifyFailedWait(w.ld, error, w.socket, w.limits.maxMessageBytes);
            return 0;
        }
        return type;
    }
}

// Walks the search's messages until it ends; the failure, if it ended with one.
std::optional<LdapSearchOutcome> ReadEntries(const Waiter& w, const char* attribute,
                                             LdapResultConsumer consumer, void* context,
                                             int& count) {
    std::string text;
    text.reserve(kLdapEntryTextCapacity);
    for (bool stop = false; !stop;) {
        LDAPMessage* message = nullptr;
        LdapSearchOutcome failure = LdapSearchOutcome::NoResult;
        const int type = WaitForMessage(w, &message, failure);
        if (type != LDAP_RES_SEARCH_ENTRY) {
            // The message, if one came, is still ours to free.
            if (message != nullptr)
                LdapMsgFree(message);
            if (type == 0)
                return failure;
            if (type == LDAP_RES_SEARCH_RESULT || type == LDAP_RES_SEARCH_REFERENCE)
                return std::nullopt;
            Trace("Ldap - Unexpected message 0x%x", type);
            return LdapSearchOutcome::ProtocolError;
        }
        if (LdapCountEntries(w.ld, message) > 0) {
            for (LDAPMessage* entry = LdapFirstEntry(w.ld, message); entry != nullptr;
                 entry = LdapNextEntry(w.ld, entry)) {
                BuildEntryText(w.ld, entry, text);
                DeliverValues(w.ld, entry, attribute, text, consumer, context, count, stop);
            }
        }
        LdapMsgFree(message);
    }
    return std::nullopt;
}

}  // namespace

const char* LdapOutcomeText(LdapSearchOutcome outcome) {
    switch (outcome) {
        case LdapSearchOutcome::Found:
            return "found";
        case LdapSearchOutcome::NoResult:
            return "no result";
        case LdapSearchOutcome::NoServer:
            return "no server";
        case LdapSearchOutcome::TimeOut:
            return "time-out";
        case LdapSearchOutcome::ProtocolError:
            return "protocol error";
        case LdapSearchOutcome::Cancelled:
            return "cancelled";
    }
    return "?";
}

LdapSearchLimits LdapConfiguredLimits() {
    LdapSearchLimits limits;
    limits.messageWaitSeconds = ResultTimeoutSeconds();
    int32_t value = 0;
    if (ConfigReadInt("Directory", "SearchTimeout", value) == kConfigOk && value > 0)
        limits.deadlineSeconds = value;
    value = 0;
    if (ConfigReadInt("Directory", "MaxMessageSize", value) == kConfigOk && value > 0)
        limits.maxMessageBytes = static_cast<size_t>(value);
    return limits;
}

LdapSearchReport LdapRunSearch(LdapConnection connection, const char* base, const char* filter,
                               int scope, const char* attribute, LdapResultConsumer consumer,
                               void* context, const LdapSearchLimits& limits,
                               const std::atomic<bool>* cancel) {
    LdapSearchReport report;
    std::optional<LdapSearchOutcome> failure;
    if (filter == nullptr || filter[0] == '\0') {
        // Nothing asked, nothing found.
    } else if (connection == nullptr) {
        failure = LdapSearchOutcome::NoServer;
    } else {
        Trace("Ldap - Search base:   '%s'", base);
        Trace("Ldap - Search filter: '%s'", filter);
        // Bounded before the first byte of the answer is read: the library would
        // otherwise allocate whatever length a message claims.
        LdapSetMaxIncoming(connection, limits.maxMessageBytes);
        const SocketWatch socket(connection);
        const Waiter waiter{connection, LdapSearch(connection, base, scope, filter, nullptr, 0),
                            limits,     Clock::now() + std::chrono::seconds(limits.deadlineSeconds),
                            cancel,     socket};
        if (waiter.messageId == -1) {
            failure = LdapResultCode(connection) == LDAP_SERVER_DOWN
                          ? LdapSearchOutcome::NoServer
                          : LdapSearchOutcome::ProtocolError;
        } else {
            failure = ReadEntries(waiter, attribute, consumer, context, report.count);
        }
    }
    report.outcome =
        failure.value_or(report.count > 0 ? LdapSearchOutcome::Found : LdapSearchOutcome::NoResult);
    Trace("Ldap - End of search: %s", LdapOutcomeText(report.outcome));
    Trace("Ldap - Found %d entries", report.count);
    consumer(context, nullptr, nullptr, 0);
    return report;
}

int LdapSearchValues(LdapConnection connection, const char* base, const char* filter, int scope,
                     const char* attribute, LdapResultConsumer consumer, void* context) {
    return LdapRunSearch(connection, base, filter, scope, attribute, consumer, context,
                         LdapConfiguredLimits())
        .count;
}

int LdapSearchCertificates(LdapConnection connection, const char* base, const char* filter,
                           LdapResultConsumer consumer, void* context) {
    return LdapSearchValues(connection, base, filter, kLdapScopeSubtree, kLdapCertificateAttribute,
                            consumer, context);
}

int& LdapResultTimeoutOverride() {
    static int seconds = 0;
    return seconds;
}

}  // namespace orx
