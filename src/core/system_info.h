// Error texts and the time of day in milliseconds.
#pragma once

#include <cstdint>
#include <string>

namespace orx {

// "OK" with the flag; otherwise the text of errno (0 counts as 0x80090020), or
// "0x%.8X, %d" for a code without text. At most 127 characters; errno is kept.
std::string GetErrorText(bool success);

// Milliseconds since midnight (UTC).
int32_t MillisecondsOfDay();
// Milliseconds from `start` to now (or to `now`) within a day; across midnight a
// day is added, so the result stays positive.
int32_t ElapsedMilliseconds(int32_t start);
int32_t ElapsedMilliseconds(int32_t start, int32_t now);

}  // namespace orx
