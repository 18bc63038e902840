// libs: orxcore orxder
// RSA key containers from outside (certificates, directory entries): decoding must
// stay inside the bytes, and what decodes must encode and decode to the same numbers.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "der/der_key_pair.h"
#include "der/der_result.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orx::DerKeyPair key;
    if (key.Decode(orx::DerBytes(data, size)) != orx::DER_OK)
        return 0;
    if (key.algorithm().text != orx::kOidRsaEncryption)
        return 0;
    orx::DerKeyPair copy;
    for (size_t i = 0; i < orx::kRsaNumberCount; ++i) {
        const auto which = static_cast<orx::RsaNumber>(i);
        copy.SetValue(which, key.Value(which));
    }
    std::vector<uint8_t> area(size + 64);
    uint32_t count = static_cast<uint32_t>(area.size());
    if (copy.Encode(area, &count) != orx::DER_OK)
        return 0;
    orx::DerKeyPair again;
    if (again.Decode(orx::DerBytes(area.data(), count)) != orx::DER_OK)
        abort();
    const size_t numbers = key.Value(orx::RsaNumber::kPrivateExponent).empty() ? 2 : 8;
    for (size_t i = 0; i < numbers; ++i) {
        const auto which = static_cast<orx::RsaNumber>(i);
        const orx::DerBytes a = key.Value(which);
        const orx::DerBytes b = again.Value(which);
        // Leading zero octets beyond the first are not the codec's to keep.
        size_t skipA = 0;
        while (skipA < a.size() && a[skipA] == 0)
            ++skipA;
        size_t skipB = 0;
        while (skipB < b.size() && b[skipB] == 0)
            ++skipB;
        if (!std::equal(a.begin() + skipA, a.end(), b.begin() + skipB, b.end()))
            abort();
    }
    return 0;
}
