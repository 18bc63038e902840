#include "directory/ldap_library.h"

#include <dlfcn.h>

#include "core/trace.h"
#include "directory/ldap_library_state.h"

namespace orx {

namespace ldap_detail {
LdapLibrary library;
}  // namespace ldap_detail

namespace {

using ldap_detail::BerFreeFn;
using ldap_detail::EntryPoints;
using ldap_detail::GetOptionFn;
using ldap_detail::library;
using ldap_detail::MemFreeFn;
using ldap_detail::SockbufCtrlFn;

const std::vector<std::string>& NamesToTry() {
    static const std::vector<std::string> system = {"libldap-2.5.so.0", "libldap.so.2"};
    return LdapLibraryNamesOverride().empty() ? system : LdapLibraryNamesOverride();
}

template <typename Fn>
bool Resolve(Fn& slot, const char* name) {
    slot = reinterpret_cast<Fn>(dlsym(library.module, name));
    return slot != nullptr;
}

bool ResolveAll() {
    // In the order of the table; the first missing one ends the binding.
    EntryPoints& e = library.entry;
    return Resolve(e.open, "ldap_open") && Resolve(e.unbind, "ldap_unbind") &&
           Resolve(e.setOption, "ldap_set_option") && Resolve(e.search, "ldap_search") &&
           Resolve(e.result, "ldap_result") && Resolve(e.msgFree, "ldap_msgfree") &&
           Resolve(e.firstEntry, "ldap_first_entry") && Resolve(e.nextEntry, "ldap_next_entry") &&
           Resolve(e.countEntries, "ldap_count_entries") &&
           Resolve(e.firstAttribute, "ldap_first_attribute") &&
           Resolve(e.nextAttribute, "ldap_next_attribute") &&
           Resolve(e.getValuesLen, "ldap_get_values_len") &&
           Resolve(e.valueFreeLen, "ldap_value_free_len");
}

}  // namespace

int LdapLoad() {
    if (library.module != nullptr) {
        ++library.references;
        return 0;
    }
    library.references = 0;
    // Never really unmapped: every unload of libldap abandons the memory of its
    // global set-up, so loading it again would leak that each time.
    for (const std::string& name : NamesToTry()) {
        library.module = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (library.module != nullptr)
            break;
    }
    if (library.module == nullptr) {
        Trace("Ldap - Failed to load ldap library");
        return 1;
    }
    if (!ResolveAll()) {
        Trace("Ldap - Failed to load all functions");
        LdapUnload();
        return 1;
    }
    library.berFree = reinterpret_cast<BerFreeFn>(dlsym(library.module, "ber_free"));
    library.memFree = reinterpret_cast<MemFreeFn>(dlsym(library.module, "ldap_memfree"));
    library.getOption = reinterpret_cast<GetOptionFn>(dlsym(library.module, "ldap_get_option"));
    library.sockbufCtrl =
        reinterpret_cast<SockbufCtrlFn>(dlsym(library.module, "ber_sockbuf_ctrl"));
    ++library.references;
    return 0;
}

void LdapUnload() {
    if (library.references > 0)
        --library.references;
    if (library.references == 0 && library.module != nullptr) {
        dlclose(library.module);
        library.module = nullptr;
        library.entry = EntryPoints{};
        library.berFree = nullptr;
        library.memFree = nullptr;
        library.getOption = nullptr;
        library.sockbufCtrl = nullptr;
    }
}

bool LdapCanOpen() {
    return library.entry.open != nullptr;
}

LDAP* LdapOpen(const char* host, int port) {
    if (library.entry.open == nullptr)
        return nullptr;
    return library.entry.open(host, port);
}

int LdapUnbind(LDAP* ld) {
    if (ld == nullptr || library.entry.unbind == nullptr)
        return kLdapOther;
    int result = library.entry.unbind(ld);
    if (result == -1)
        Trace("Ldap - Failed to close");
    return result;
}

int LdapSearch(LDAP* ld, const char* base, int scope, const char* filter, char** attributes,
               int attributesOnly) {
    if (ld == nullptr || library.entry.search == nullptr)
        return kLdapOther;
    int id = library.entry.search(ld, base, scope, filter, attributes, attributesOnly);
    if (id == -1)
        Trace("Ldap - Failed to search");
    return id;
}

int LdapResult(LDAP* ld, int messageId, int all, struct timeval* timeout, LDAPMessage** result) {
    if (ld == nullptr || library.entry.result == nullptr)
        return kLdapOther;
    int type = library.entry.result(ld, messageId, all, timeout, result);
    if (type == -1)
        Trace("Ldap - Failed to get result");
    return type;
}

int LdapMsgFree(LDAPMessage* message) {
    if (library.entry.msgFree == nullptr)
        return kLdapOther;
    int result = library.entry.msgFree(message);
    if (result == -1)
        Trace("Ldap - Failed to free message");
    return result;
}

LDAPMessage* LdapFirstEntry(LDAP* ld, LDAPMessage* chain) {
    if (ld == nullptr || library.entry.firstEntry == nullptr)
        return nullptr;
    LDAPMessage* entry = library.entry.firstEntry(ld, chain);
    if (entry == nullptr)
        Trace("Ldap - Failed to first entry");
    return entry;
}

LDAPMessage* LdapNextEntry(LDAP* ld, LDAPMessage* entry) {
    if (ld == nullptr || library.entry.nextEntry == nullptr)
        return nullptr;
    return library.entry.nextEntry(ld, entry);
}

int LdapCountEntries(LDAP* ld, LDAPMessage* chain) {
    if (ld == nullptr || library.entry.countEntries == nullptr)
        return kLdapOther;
    int count = library.entry.countEntries(ld, chain);
    if (count == -1)
        Trace("Ldap - Failed to get number of entries");
    return count;
}

char* LdapFirstAttribute(LDAP* ld, LDAPMessage* entry, BerElement** walk) {
    if (ld == nullptr || library.entry.firstAttribute == nullptr)
        return nullptr;
    char* name = library.entry.firstAttribute(ld, entry, walk);
    if (name == nullptr)
        Trace("Ldap - Failed to get first attribute");
    return name;
}

char* LdapNextAttribute(LDAP* ld, LDAPMessage* entry, BerElement* walk) {
    if (ld == nullptr || library.entry.nextAttribute == nullptr)
        return nullptr;
    return library.entry.nextAttribute(ld, entry, walk);
}

struct berval** LdapGetValuesLen(LDAP* ld, LDAPMessage* entry, const char* attribute) {
    if (ld == nullptr || library.entry.getValuesLen == nullptr)
        return nullptr;
    struct berval** values = library.entry.getValuesLen(ld, entry, attribute);
    if (values == nullptr)
        Trace("Ldap - Failed to get attribute value lengths");
    return values;
}

int LdapValueFreeLen(struct berval** values) {
    // This library's release cannot fail; it reports nothing.
    if (library.entry.valueFreeLen == nullptr)
        return kLdapOther;
    library.entry.valueFreeLen(values);
    return 0;
}

void LdapFreeName(char* name) {
    if (name != nullptr && library.memFree != nullptr)
        library.memFree(name);
}

void LdapEndAttributes(BerElement* walk) {
    if (walk != nullptr && library.berFree != nullptr)
        library.berFree(walk, 0);
}

int LdapResultCode(LDAP* ld) {
    int code = kLdapOther;
    if (ld == nullptr || library.getOption == nullptr ||
        library.getOption(ld, LDAP_OPT_RESULT_CODE, &code) != LDAP_OPT_SUCCESS) {
        return kLdapOther;
    }
    return code;
}

int LdapSocket(LDAP* ld) {
    int socket = -1;
    if (ld == nullptr || library.getOption == nullptr ||
        library.getOption(ld, LDAP_OPT_DESC, &socket) != LDAP_OPT_SUCCESS) {
        return -1;
    }
    return socket;
}

bool LdapSetMaxIncoming(LDAP* ld, size_t bytes) {
    Sockbuf* socket = nullptr;
    if (ld == nullptr || library.getOption == nullptr || library.sockbufCtrl == nullptr ||
        library.getOption(ld, LDAP_OPT_SOCKBUF, &socket) != LDAP_OPT_SUCCESS || socket == nullptr) {
        return false;
    }
    ber_len_t limit = bytes;
    return library.sockbufCtrl(socket, LBER_SB_OPT_SET_MAX_INCOMING, &limit) == 1;
}

void LdapSetConnectTimeout(int seconds) {
    if (library.entry.setOption == nullptr)
        return;
    // The library's default for handles made afterwards; ldap_open takes no options.
    struct timeval timeout = {seconds, 0};
    library.entry.setOption(nullptr, LDAP_OPT_NETWORK_TIMEOUT, &timeout);
}

std::vector<std::string>& LdapLibraryNamesOverride() {
    static std::vector<std::string> names;
    return names;
}

}  // namespace orx
