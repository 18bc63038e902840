// Hand-made certificates for the handle and inspection tests: DER built from
// parts, so that each test says exactly which bytes it feeds in.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "der_test_support.h"

namespace orx::testing {

using Bytes = std::vector<uint8_t>;

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline Bytes Tlv(uint8_t tag, const Bytes& content) {
    Bytes out{tag};
    const size_t n = content.size();
    if (n >= 0x100) {
        out.insert(out.end(), {0x82, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
    } else if (n >= 0x80) {
        out.insert(out.end(), {0x81, static_cast<uint8_t>(n)});
    } else {
        out.push_back(static_cast<uint8_t>(n));
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

inline Bytes Text(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

inline const Bytes kOidCommonName = Hex("06 03 55 04 03");
inline const Bytes kOidEmail = Hex("06 09 2A 86 48 86 F7 0D 01 09 01");
inline const Bytes kOidUpn = Hex("06 0A 2B 06 01 04 01 82 37 14 02 03");
inline const Bytes kOidSmartCardLogon = Hex("06 0A 2B 06 01 04 01 82 37 14 02 02");
inline const Bytes kOidClientAuth = Hex("06 08 2B 06 01 05 05 07 03 02");

// One attribute, of type `oid` (a whole element), as a string of `tag`.
inline Bytes Attribute(const Bytes& oid, std::string_view value, uint8_t tag = 0x0C) {
    return Tlv(0x30, Cat({oid, Tlv(tag, Text(value))}));
}
inline Bytes Rdn(std::initializer_list<Bytes> attributes) {
    return Tlv(0x31, Cat(attributes));
}
inline Bytes Name(std::initializer_list<Bytes> rdns) {
    return Tlv(0x30, Cat(rdns));
}
inline Bytes CommonName(std::string_view cn) {
    return Name({Rdn({Attribute(kOidCommonName, cn)})});
}

// An extension element; `value` is the content of its OCTET STRING.
inline Bytes Extension(std::string_view oidHex, const Bytes& value) {
    return Tlv(0x30, Cat({Tlv(0x06, Hex(oidHex)), Tlv(0x04, value)}));
}
inline Bytes SubjectAltName(std::initializer_list<Bytes> names) {
    return Extension("55 1D 11", Tlv(0x30, Cat(names)));
}
inline Bytes Rfc822Name(std::string_view address) {
    return Tlv(0x81, Text(address));
}
// otherName: type-id and [0] holding a UTF8String.
inline Bytes OtherName(const Bytes& oid, std::string_view value) {
    return Tlv(0xA0, Cat({oid, Tlv(0xA0, Tlv(0x0C, Text(value)))}));
}
inline Bytes ExtendedKeyUsage(std::initializer_list<Bytes> purposes) {
    return Extension("55 1D 25", Tlv(0x30, Cat(purposes)));
}

inline Bytes Time(std::string_view text) {
    return Tlv(text.size() == 15 ? 0x18 : 0x17, Text(text));
}

struct CertParts {
    Bytes subject = CommonName("Jane");
    std::vector<Bytes> extensions;
    std::string_view notBefore = "200101000000Z";
    std::string_view notAfter = "491231235959Z";
    Bytes serial = Hex("02 02 12 34");
};

// A version 3 certificate with a dummy signature.
inline Bytes MakeCertificate(const CertParts& parts) {
    static const Bytes sha256Rsa = Hex("30 0D 06 09 2A 86 48 86 F7 0D 01 01 0B 05 00");
    static const Bytes smallKey = Hex(
        "30 1C 30 0D 06 09 2A 86 48 86 F7 0D 01 01 01 05 00 03 0B 00 30 08 02 03 00 C5 01 02 01 "
        "03");
    Bytes extensions;
    for (const Bytes& e : parts.extensions)
        extensions.insert(extensions.end(), e.begin(), e.end());
    const Bytes info =
        Cat({Hex("A0 03 02 01 02"), parts.serial, sha256Rsa, CommonName("Issuer CA"),
             Tlv(0x30, Cat({Time(parts.notBefore), Time(parts.notAfter)})), parts.subject, smallKey,
             parts.extensions.empty() ? Bytes{} : Tlv(0xA3, Tlv(0x30, extensions))});
    return Tlv(0x30, Cat({Tlv(0x30, info), sha256Rsa, Hex("03 03 00 AB CD")}));
}

}  // namespace orx::testing
