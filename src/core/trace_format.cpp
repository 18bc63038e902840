#include "core/trace_format.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>

namespace orx {

namespace {

constexpr std::string_view kFlags = "-+ #0'";

// One conversion specification as the C library would read it.
struct Conversion {
    size_t length = 0;  // characters from the '%' up to and including the conversion
    int stars = 0;      // '*' widths and precisions, each taking an int value
    char lengthMod[3] = {};
    char conversion = 0;
    bool plain = false;  // nothing between '%' and the conversion
};

Conversion ParseSpec(std::string_view format, size_t start) {
    Conversion conversion;
    size_t i = start + 1;
    auto at = [&](size_t k) { return k < format.size() ? format[k] : '\0'; };
    while (kFlags.find(at(i)) != std::string_view::npos && at(i) != '\0')
        ++i;
    if (at(i) == '*') {
        ++conversion.stars;
        ++i;
    } else {
        while (at(i) >= '0' && at(i) <= '9')
            ++i;
    }
    if (at(i) == '.') {
        ++i;
        if (at(i) == '*') {
            ++conversion.stars;
            ++i;
        } else {
            while (at(i) >= '0' && at(i) <= '9')
                ++i;
        }
    }
    size_t m = 0;
    while (m < 2 && std::strchr("hlLqjzt", at(i)) != nullptr && at(i) != '\0') {
        conversion.lengthMod[m++] = at(i++);
    }
    conversion.conversion = at(i);
    conversion.plain = (i == start + 1);
    conversion.length = (conversion.conversion == '\0') ? i - start : i - start + 1;
    return conversion;
}

bool TakesValue(char conversion) {
    return conversion != '\0' && std::strchr("diouxXcsSpneEfFgGaAC", conversion) != nullptr;
}

void AppendLimited(std::string& out, size_t limit, std::string_view text) {
    if (out.size() >= limit)
        return;
    out.append(text.substr(0, limit - out.size()));
}

template <typename T>
void AppendValue(std::string& out, size_t limit, const std::string& conversion, int stars,
                 const int* starValues, T value) {
    char small[512];
    int n = 0;
    if (stars == 0) {
        n = std::snprintf(small, sizeof small, conversion.c_str(), value);
    } else if (stars == 1) {
        n = std::snprintf(small, sizeof small, conversion.c_str(), starValues[0], value);
    } else {
        n = std::snprintf(small, sizeof small, conversion.c_str(), starValues[0], starValues[1],
                          value);
    }
    if (n < 0)
        return;
    if (static_cast<size_t>(n) < sizeof small) {
        AppendLimited(out, limit, std::string_view(small, static_cast<size_t>(n)));
        return;
    }
    std::string big(static_cast<size_t>(n) + 1, '\0');
    if (stars == 0) {
        std::snprintf(big.data(), big.size(), conversion.c_str(), value);
    } else if (stars == 1) {
        std::snprintf(big.data(), big.size(), conversion.c_str(), starValues[0], value);
    } else {
        std::snprintf(big.data(), big.size(), conversion.c_str(), starValues[0], starValues[1],
                      value);
    }
    big.resize(static_cast<size_t>(n));
    AppendLimited(out, limit, big);
}

}  // namespace

int CountFormatArguments(std::string_view format) {
    int count = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        if (i + 1 < format.size() && format[i + 1] == '%') {
            ++i;
            continue;
        }
        Conversion conversion = ParseSpec(format, i);
        count += conversion.stars + (TakesValue(conversion.conversion) ? 1 : 0);
        i += conversion.length - 1;
    }
    return count;
}

void AppendFormatted(std::string& out, size_t limit, std::string_view format, va_list args) {
    for (size_t i = 0; i < format.size() && out.size() < limit; ++i) {
        if (format[i] != '%') {
            out.push_back(format[i]);
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out.push_back('%');
            ++i;
            continue;
        }
        const Conversion conversion = ParseSpec(format, i);
        const std::string text(format.substr(i, conversion.length));
        i += conversion.length - 1;
        int starValues[2] = {0, 0};
        for (int s = 0; s < conversion.stars; ++s)
            starValues[s] = va_arg(args, int);
        const std::string_view mod(conversion.lengthMod);
        // One value through the conversion as written, its stars filled in.
        const auto put = [&](auto value) {
            AppendValue(out, limit, text, conversion.stars, starValues, value);
        };
        const bool longLong = mod == "ll" || mod == "q" || mod == "j";
        const bool isLong = mod == "l" || mod == "z" || mod == "t";
        switch (conversion.conversion) {
            case 'd':
            case 'i':
            case 'c':
            case 'C':
                if (longLong)
                    put(va_arg(args, long long));
                else if (isLong)
                    put(va_arg(args, long));
                else
                    put(va_arg(args, int));
                break;
            case 'o':
            case 'u':
            case 'x':
            case 'X':
                if (longLong)
                    put(va_arg(args, unsigned long long));
                else if (isLong)
                    put(va_arg(args, unsigned long));
                else
                    put(va_arg(args, unsigned));
                break;
            case 'e':
            case 'E':
            case 'f':
            case 'F':
            case 'g':
            case 'G':
            case 'a':
            case 'A':
                if (mod == "L")
                    put(va_arg(args, long double));
                else
                    put(va_arg(args, double));
                break;
            case 'p':
                put(va_arg(args, void*));
                break;
            case 'n':
                // Writing through a traced pointer is never wanted: take the value, show nothing.
                (void)va_arg(args, void*);
                break;
            case 's':
            case 'S': {
                if (conversion.conversion == 'S' || mod == "l") {
                    const wchar_t* wide = va_arg(args, const wchar_t*);
                    if (wide == nullptr) {
                        AppendLimited(out, limit, conversion.plain ? "<null>" : "(null)");
                    } else {
                        const std::string wideSpec = conversion.conversion == 'S'
                                                         ? text.substr(0, text.size() - 1) + "ls"
                                                         : text;
                        AppendValue(out, limit, wideSpec, conversion.stars, starValues, wide);
                    }
                    break;
                }
                const char* value = va_arg(args, const char*);
                if (value == nullptr) {
                    AppendLimited(out, limit, conversion.plain ? "<null>" : "(null)");
                } else if (conversion.plain) {
                    AppendLimited(out, limit, value);
                } else {
                    put(value);
                }
                break;
            }
            default:
                // Not a conversion (a cut-off format, say): shown as it stands.
                AppendLimited(out, limit, text);
                break;
        }
    }
    if (out.size() > limit)
        out.resize(limit);
}

}  // namespace orx
