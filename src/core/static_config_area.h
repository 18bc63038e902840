// A configuration text patched into the program file after it was built: a block
// of the program's initialised data that starts with a marker of eight 0xCF bytes
// and is all zero behind it until a text is written there.
#pragma once

#include <string>

namespace orx {

inline constexpr size_t kStaticConfigAreaSize = 16384;
inline constexpr size_t kStaticConfigMarkerSize = 8;

// True when the first byte after the marker is not zero.
bool IsStaticConfigPresent();
// As many bytes from the start of the text room as it holds non-zero bytes.
std::string GetStaticConfigText();

}  // namespace orx
