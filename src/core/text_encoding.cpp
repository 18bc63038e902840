#include "core/text_encoding.h"

#include <cstdint>

namespace orx {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 | (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 | (cp & 0x3FF)));
    }
}

// Decodes one scalar value at `pos` and advances past it. A malformed sequence
// yields U+FFFD and consumes only its longest valid prefix (at least one byte), so
// that a truncated sequence does not swallow the character after it.
char32_t DecodeUtf8(std::string_view text, size_t& pos) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t lead = byte(pos++);
    if (lead < 0x80) {
        return lead;
    }
    size_t need;
    char32_t cp;
    uint8_t lo = 0x80;  // allowed range of the second byte
    uint8_t hi = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        cp = lead & 0x0F;
        if (lead == 0xE0) {
            lo = 0xA0;  // overlong
        } else if (lead == 0xED) {
            hi = 0x9F;  // surrogates
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        cp = lead & 0x07;
        if (lead == 0xF0) {
            lo = 0x90;  // overlong
        } else if (lead == 0xF4) {
            hi = 0x8F;  // above U+10FFFF
        }
    } else {
        return kReplacement;
    }
    for (size_t i = 0; i < need; ++i) {
        if (pos >= text.size()) {
            return kReplacement;
        }
        const uint8_t b = byte(pos);
        if (b < (i == 0 ? lo : 0x80) || b > (i == 0 ? hi : 0xBF)) {
            return kReplacement;
        }
        cp = (cp << 6) | (b & 0x3F);
        ++pos;
    }
    return cp;
}

std::string Utf16UnitsToUtf8(std::string_view bytes, bool bigEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto b0 = static_cast<uint8_t>(bytes[i]);
        const auto b1 = static_cast<uint8_t>(bytes[i + 1]);
        units.push_back(static_cast<char16_t>(bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0));
    }
    return WideToUtf8(units);
}

}  // namespace

std::u16string Utf8ToWide(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        AppendUtf16(out, DecodeUtf8(text, pos));
    }
    return out;
}

std::string WideToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
                ++i;
            } else {
                cp = kReplacement;
            }
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    // 0x80-0x9F; the five unassigned positions keep their C1 code point, as the
    // platform converter this replaces did.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<uint8_t>(c);
        AppendUtf8(out, b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b);
    }
    return out;
}

std::string Utf16LeBytesToUtf8(std::string_view bytes) {
    return Utf16UnitsToUtf8(bytes, false);
}

std::string Utf16BeBytesToUtf8(std::string_view bytes) {
    return Utf16UnitsToUtf8(bytes, true);
}

bool IsWellFormedUtf8(std::string_view text) {
    for (size_t pos = 0; pos < text.size();) {
        const size_t start = pos;
        // A malformed sequence decodes as U+FFFD too, but never from its own three bytes.
        if (DecodeUtf8(text, pos) == kReplacement &&
            text.substr(start, pos - start) != "\xef\xbf\xbd")
            return false;
    }
    return true;
}

std::string_view CutUtf8(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    size_t cut = maxBytes;
    // Find the lead byte of the sequence the cut falls into; a sequence is at most
    // four bytes, so stray continuation bytes further back are not ours to keep whole.
    for (size_t back = 1; back <= 3 && back <= cut; ++back) {
        const auto b = static_cast<uint8_t>(text[cut - back]);
        if ((b & 0xC0) == 0x80) {
            continue;
        }
        const size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        if (length > back) {
            cut -= back;
        }
        break;
    }
    return text.substr(0, cut);
}

}  // namespace orx
