#include "support/directory/ldap_binding.h"

#include "directory/ldap_client.h"
#include "directory/ldap_library.h"
#include "directory/ldap_library_state.h"

namespace orx::ldap_testing {

LibraryState GetLibraryState() {
    const ldap_detail::LdapLibrary& library = ldap_detail::library;
    LibraryState state;
    state.loaded = library.module != nullptr;
    state.references = library.references;
    const ldap_detail::EntryPoints& e = library.entry;
    const void* all[] = {reinterpret_cast<const void*>(e.open),
                         reinterpret_cast<const void*>(e.unbind),
                         reinterpret_cast<const void*>(e.setOption),
                         reinterpret_cast<const void*>(e.search),
                         reinterpret_cast<const void*>(e.result),
                         reinterpret_cast<const void*>(e.msgFree),
                         reinterpret_cast<const void*>(e.firstEntry),
                         reinterpret_cast<const void*>(e.nextEntry),
                         reinterpret_cast<const void*>(e.countEntries),
                         reinterpret_cast<const void*>(e.firstAttribute),
                         reinterpret_cast<const void*>(e.nextAttribute),
                         reinterpret_cast<const void*>(e.getValuesLen),
                         reinterpret_cast<const void*>(e.valueFreeLen)};
    for (const void* p : all)
        state.boundEntryPoints += p != nullptr ? 1 : 0;
    return state;
}

void SetLibraryNames(std::vector<std::string> names) {
    LdapLibraryNamesOverride() = std::move(names);
}

void SetResultTimeout(int seconds) {
    LdapResultTimeoutOverride() = seconds;
}

}  // namespace orx::ldap_testing
