#include "directory/ldap_client.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/string_helpers.h"
#include "core/trace.h"
#include "directory/ldap_library.h"

namespace orx {

namespace {

constexpr std::string_view kScheme = "ldap://";

int resultTimeoutSeconds = kLdapResultTimeoutSeconds;

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

int LdapSearchValues(LdapConnection connection, const char* base, const char* filter, int scope,
                     const char* attribute, LdapResultConsumer consumer, void* context) {
    int count = 0;
    if (filter != nullptr && filter[0] != '\0' && connection != nullptr) {
        Trace("Ldap - Search base:   '%s'", base);
        Trace("Ldap - Search filter: '%s'", filter);
        const int id = LdapSearch(connection, base, scope, filter, nullptr, 0);
        bool stop = false;
        std::string text;
        text.reserve(kLdapEntryTextCapacity);
        while (id != -1 && !stop) {
            struct timeval timeout = {resultTimeoutSeconds, 0};
            LDAPMessage* message = nullptr;
            const int type = LdapResult(connection, id, 0, &timeout, &message);
            if (type != LDAP_RES_SEARCH_ENTRY) {
                // The end of the search (done, a referral, silence or an error); the
                // message, if one came, is still ours to free.
                if (message != nullptr)
                    LdapMsgFree(message);
                break;
            }
            int entries = LdapCountEntries(connection, message);
            if (entries > 0) {
                for (LDAPMessage* entry = LdapFirstEntry(connection, message); entry != nullptr;
                     entry = LdapNextEntry(connection, entry)) {
                    BuildEntryText(connection, entry, text);
                    DeliverValues(connection, entry, attribute, text, consumer, context, count,
                                  stop);
                }
            }
            LdapMsgFree(message);
        }
    }
    Trace("Ldap - Found %d entries", count);
    consumer(context, nullptr, nullptr, 0);
    return count;
}

int LdapSearchCertificates(LdapConnection connection, const char* base, const char* filter,
                           LdapResultConsumer consumer, void* context) {
    return LdapSearchValues(connection, base, filter, kLdapScopeSubtree, kLdapCertificateAttribute,
                            consumer, context);
}

namespace ldap_testing {

void SetResultTimeout(int seconds) {
    resultTimeoutSeconds = seconds > 0 ? seconds : kLdapResultTimeoutSeconds;
}

}  // namespace ldap_testing

}  // namespace orx
