// The trace log: one line per event appended to a plain text file, switched on by
// naming the file. Cheap when off, callable from any thread, never changes errno.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orx {

// Longest trace path accepted; a longer one leaves the previous state.
inline constexpr size_t kTracePathCapacity = 260;
// A file grown beyond this is emptied at the next hourly size check.
inline constexpr long long kTraceMaxFileSize = 104857600;

// Switches tracing on with that file, or off with nullptr or "".
void TraceSetFile(const char* path);
inline void TraceSetFile(const std::string& path) {
    TraceSetFile(path.c_str());
}

// The current trace file, empty when tracing is off.
std::string TraceGetFile();
bool TraceIsOn();

// Writes one line "[pid:tid] hh.mm.ss.mmm message". Up to ten printf-style
// arguments (integers, "%s" texts where nullptr shows as "<null>", "%p" pointers).
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes the bytes into "~" + file prefix + name beside the trace file.
void TraceDump(std::string_view name, std::span<const uint8_t> bytes, bool append = false);

}  // namespace orx
