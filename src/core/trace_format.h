// The trace log's own printf: counts the values a format takes (to refuse more than
// ten) and shows a null "%s" as "<null>" instead of handing it to the C library.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

namespace orx {

inline constexpr int kTraceMaxArguments = 10;

// Values the format takes: one per conversion, one more per "*", none for "%%".
int CountFormatArguments(std::string_view format);

// Appends the formatted text to `out`, never letting `out` grow beyond `limit`.
void AppendFormatted(std::string& out, size_t limit, std::string_view format, va_list args);

}  // namespace orx
