// libs: orxcore orxder
// Object identifiers: any bytes must print safely, and every canonical dotted text
// (first arc 0 to 2, second below 40 unless the first is 2, arcs below 2^31, under
// 64 characters) must survive text -> DER -> text unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "der/der_oid.h"
#include "der/der_result.h"

namespace {

bool IsCanonical(std::string_view text) {
    if (text.empty() || text.size() >= 64)
        return false;
    std::vector<uint64_t> arcs;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('.', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view arc = text.substr(start, end - start);
        if (arc.empty() || arc.size() > 10 || (arc.size() > 1 && arc[0] == '0'))
            return false;
        uint64_t value = 0;
        for (char c : arc) {
            if (c < '0' || c > '9')
                return false;
            value = value * 10 + static_cast<uint64_t>(c - '0');
        }
        if (value >= (1u << 31))
            return false;
        arcs.push_back(value);
        if (end == text.size())
            break;
        start = end + 1;
    }
    return arcs.size() >= 2 && arcs[0] <= 2 && (arcs[0] == 2 || arcs[1] < 40);
}

void RoundTrip(const std::string& text) {
    std::vector<uint8_t> area(140);
    uint32_t length = 0;
    if (orx::DerEncodeOid(text, area, &length) != orx::DER_OK)
        abort();
    std::string back;
    if (orx::DerOidToText(orx::DerBytes(area.data(), length), back, orx::kOidTextCapacity) !=
            orx::DER_OK ||
        back != text) {
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text;
    const int rc = orx::DerOidToText(orx::DerBytes(data, size), text, orx::kOidTextCapacity);
    if (text.size() >= orx::kOidTextCapacity)
        abort();
    if (rc == orx::DER_OK && IsCanonical(text))
        RoundTrip(text);

    orx::OidRecord record;
    orx::DerDecodeOid(orx::DerBytes(data, size), &record);

    // The bytes as dotted text.
    const std::string input(reinterpret_cast<const char*>(data), size);
    if (IsCanonical(input))
        RoundTrip(input);
    std::vector<uint8_t> area(140);
    uint32_t length = 0;
    orx::DerEncodeOid(input, area, &length);
    return 0;
}
