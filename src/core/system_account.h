// The user, the privilege to change machine settings, and the system's edition.
#pragma once

#include <string>

namespace orx {

// True when the process user's name begins with "SYSTEM" (letter case ignored); no
// Linux account does, root included. The name (at most capacity - 1 characters)
// is copied out when asked.
bool IsSystemAccount(std::string* name = nullptr, size_t capacity = 100);

// True when this process may write the installation-wide configuration file:
// what changing machine settings takes. Cached per installation-wide path.
bool IsAdministrator();

// Every system version the program asks about is there; no server edition.
bool IsOsAtLeast(int major, int minor, bool* server = nullptr);
// No 32-bit program runs on a 64-bit system here.
bool IsWow64();
// Appends " (32-bit Edition)" when IsWow64.
void AppendEditionSuffix(std::string& text);

}  // namespace orx
