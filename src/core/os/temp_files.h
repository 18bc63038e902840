// Files in the private per-process temporary folder. Each is made afresh with
// O_EXCL, so a name that someone prepared in advance is never written through.
#pragma once

#include <string>
#include <string_view>

namespace orx {

// Writes the bytes into a new file (mode 0600) named `name` in GetPrivateTempFolder,
// or "<stem>-<n><extension>" when that name is taken. The path, or "" on failure
// (nothing is left behind then).
std::string WritePrivateTempFile(std::string_view name, std::string_view bytes);

}  // namespace orx
