#include "core/system_info.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/clock.h"

namespace orx {

namespace {

constexpr int kNoErrorCode = static_cast<int>(0x80090020u);
constexpr size_t kErrorTextCapacity = 128;

}  // namespace

std::string GetErrorText(bool success) {
    if (success)
        return "OK";
    int code = errno;
    if (code == 0)
        code = kNoErrorCode;
    std::string text;
    const char* description = code > 0 ? ::strerrordesc_np(code) : nullptr;
    if (description != nullptr)
        text = description;
    if (text.size() < 3) {
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "0x%.8X, %d", static_cast<unsigned>(code), code);
        text = buffer;
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    if (text.size() > kErrorTextCapacity - 1)
        text.resize(kErrorTextCapacity - 1);
    errno = code;
    return text;
}

int32_t MillisecondsOfDay() {
    return static_cast<int32_t>(MillisOfDay());
}

int32_t ElapsedMilliseconds(int32_t start) {
    return ElapsedMilliseconds(start, MillisecondsOfDay());
}

int32_t ElapsedMilliseconds(int32_t start, int32_t now) {
    int32_t elapsed = now - start;
    if (now < start)
        elapsed += static_cast<int32_t>(kDayMillis);
    return elapsed;
}

}  // namespace orx
