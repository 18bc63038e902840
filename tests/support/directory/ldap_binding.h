// The LDAP binding as tests need to steer and see it: which library is loaded,
// how long a search waits, and what the binding holds now.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orx::ldap_testing {

struct LibraryState {
    bool loaded = false;
    uint32_t references = 0;
    int boundEntryPoints = 0;  // of the thirteen
};
LibraryState GetLibraryState();

// Shared-object names tried in order when the library is loaded; an empty list
// restores the system's names.
void SetLibraryNames(std::vector<std::string> names);

// The wait for one message; 0 or less restores the minute.
void SetResultTimeout(int seconds);

}  // namespace orx::ldap_testing
