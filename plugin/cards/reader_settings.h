// The settings of the card side of the module: which PKCS#11 modules serve cards
// (section "PKCS11"), and how the readers are used (section "Smart Card Reader", as
// the settings dialog writes it). Read at the start of a context and by "ApplyConfig".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orx {

struct ReaderSettings {
    // "PKCS11"/"System": the modules registered with p11-kit (1) or none of them (0).
    bool system = true;
    // "PKCS11"/"Modules": further module paths, ";"-separated.
    std::vector<std::string> modules;
    // "Smart Card Reader"/"Accepted": the readers used, ";"-separated; empty: all.
    std::vector<std::string> accepted;
    // "Smart Card Reader"/"Detect": seconds between two looks for a module that
    // failed or a reader its module cannot see come by itself; 0 or -1: never.
    int detect = 60;
    // "Smart Card Reader"/"LockTimeout": seconds without use after which a login
    // ends, soft tokens' included; 0: never.
    int lockTimeout = 30;

    // Whether a reader of this name is used (names compare with "A" to "Z" folded
    // and without surrounding blanks).
    bool Accepts(std::string_view reader) const;
    bool operator==(const ReaderSettings&) const = default;
};

ReaderSettings ReadReaderSettings();

// The fields of a ";"-separated list, without blanks around them; empty ones go.
std::vector<std::string> SplitList(std::string_view text);

}  // namespace orx
