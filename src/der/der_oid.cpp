#include "der/der_oid.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "core/trace.h"
#include "der/der_length.h"
#include "der/der_result.h"

namespace orx {

namespace {

struct OidName {
    const char* name;
    const char* oid;
};

// Case matters: these are the spellings the codec has always accepted.
constexpr std::array<OidName, 17> kOidNames = {{
    {"cn", "2.5.4.3"},
    {"CN", "2.5.4.3"},
    {"s", "2.5.4.4"},
    {"S", "2.5.4.4"},
    {"sn", "2.5.4.5"},
    {"SN", "2.5.4.5"},
    {"serialNumber", "2.5.4.5"},
    {"c", "2.5.4.6"},
    {"C", "2.5.4.6"},
    {"o", "2.5.4.10"},
    {"O", "2.5.4.10"},
    {"ou", "2.5.4.11"},
    {"OU", "2.5.4.11"},
    {"t", "2.5.4.12"},
    {"T", "2.5.4.12"},
    {"g", "2.5.4.42"},
    {"G", "2.5.4.42"},
}};

constexpr size_t kMaxOidContent = 127;

// One arc as atoi reads it (leading blanks, optional sign, digits up to the first
// other character), refusing what atoi could not represent as an arc.
bool ParseArc(std::string_view text, uint64_t* value) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    if (i < text.size() && text[i] == '-')
        return false;
    if (i < text.size() && text[i] == '+')
        ++i;
    uint64_t v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + static_cast<uint64_t>(text[i] - '0');
        if (v > UINT32_MAX)
            return false;
    }
    *value = v;
    return true;
}

void AppendSubIdentifier(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1)
        out.push_back(static_cast<uint8_t>(groups[--count] | 0x80));
    out.push_back(groups[0]);
}

bool EncodeArcs(std::string_view dotted, std::vector<uint8_t>& content) {
    std::vector<uint64_t> arcs;
    size_t start = 0;
    for (;;) {
        const size_t dot = dotted.find('.', start);
        uint64_t arc = 0;
        if (!ParseArc(
                dotted.substr(start, dot == std::string_view::npos ? dotted.npos : dot - start),
                &arc)) {
            return false;
        }
        arcs.push_back(arc);
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    if (arcs.size() < 2)
        return true;
    const uint64_t first = arcs[0] * 40 + arcs[1];
    if (first > UINT32_MAX)
        return false;
    AppendSubIdentifier(content, static_cast<uint32_t>(first));
    for (size_t i = 2; i < arcs.size(); ++i) {
        AppendSubIdentifier(content, static_cast<uint32_t>(arcs[i]));
        if (content.size() > kMaxOidContent)
            return false;
    }
    return content.size() <= kMaxOidContent;
}

// Appends one printed piece when it fits the room left.
bool AppendPiece(std::string& text, size_t capacity, const char* piece, int length) {
    const size_t room = capacity > text.size() ? capacity - text.size() : 0;
    if (length < 0 || static_cast<size_t>(length) >= room)
        return false;
    text.append(piece, static_cast<size_t>(length));
    return true;
}

}  // namespace

int DerEncodeOid(std::string_view text, DerArea area, uint32_t* length) {
    text = text.substr(0, text.find('\0'));
    const std::string shown(text);
    std::string_view dotted = text;
    bool named = false;
    for (const auto& entry : kOidNames) {
        if (text == entry.name) {
            dotted = entry.oid;
            named = true;
            break;
        }
    }
    std::vector<uint8_t> content;
    if (!named && dotted.find('.') == std::string_view::npos) {
        // No arcs can be read from such a text: the identifier stays empty.
        Trace("Der - Bad oid: '%s'", shown.c_str());
    } else if (!EncodeArcs(dotted, content)) {
        Trace("Der - Bad oid: '%s'", shown.c_str());
        return DER_FAILED;
    }
    const size_t total = content.size() + 2;
    if (total > area.size()) {
        Trace("Der - Buffer too small: have %d, need %d", static_cast<int>(area.size()),
              static_cast<int>(total));
        return DER_BUFFER_TOO_SMALL;
    }
    area[0] = kTagOid;
    area[1] = static_cast<uint8_t>(content.size());
    for (size_t i = 0; i < content.size(); ++i)
        area[2 + i] = content[i];
    *length = static_cast<uint32_t>(total);
    return DER_OK;
}

int DerOidToText(DerBytes element, std::string& text, size_t capacity) {
    if (element.size() < 2)
        return DER_BAD_LENGTH;
    if (DerTag(element) != kTagOid)
        return DER_BAD_TAG;
    DerBytes content;
    const int rc = DerDecodeHeader(element, &content);
    if (rc != DER_OK)
        return rc;
    if (content.empty())
        return DER_OK;
    text.clear();
    DerReader reader(content);
    bool first = true;
    while (!reader.empty()) {
        uint32_t value = 0;
        for (;;) {
            uint8_t octet = 0;
            if (!reader.ReadByte(&octet))
                return DER_BAD_TAG;  // cut off inside an arc
            if (value > (UINT32_MAX >> 7))
                return DER_BAD_TAG;
            value = (value << 7) | (octet & 0x7Fu);
            if ((octet & 0x80) == 0)
                break;
        }
        // Not snprintf: printing arcs was most of the time a certificate took to decode.
        char piece[32];
        char* const limit = piece + sizeof piece;
        char* end = piece;
        if (first) {
            end = std::to_chars(end, limit, value <= 119 ? value / 40 : 2u).ptr;
            *end++ = '.';
            end = std::to_chars(end, limit, value <= 119 ? value % 40 : value - 80).ptr;
            first = false;
        } else {
            *end++ = '.';
            end = std::to_chars(end, limit, value).ptr;
        }
        if (!AppendPiece(text, capacity, piece, static_cast<int>(end - piece)))
            return DER_BUFFER_TOO_SMALL;
    }
    return DER_OK;
}

int DerDecodeOid(DerBytes element, OidRecord* record) {
    record->text.clear();
    uint32_t header = 0;
    uint32_t length = 0;
    if (element.size() >= 2 && DerDecodeHeader(element, nullptr, &length, &header) == DER_OK) {
        record->element = element.first(header + length);
    } else {
        record->element = element;
    }
    return DerOidToText(record->element, record->text, kOidTextCapacity);
}

}  // namespace orx
