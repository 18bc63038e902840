#include "der/der_extension_text.h"

#include <arpa/inet.h>

#include <vector>

#include "core/hex_text.h"
#include "core/language.h"
#include "der/der_extension_values.h"
#include "der/der_name_text.h"
#include "der/der_result.h"

namespace orx {

namespace {

// Purposes are named in the user's language (the string tables' ids); the dotted
// identifier shown beside each name is what administrators search for.
constexpr struct {
    std::string_view oid;
    int textId;
} kPurposes[] = {
    {"1.3.6.1.5.5.7.3.1", 2509},      {"1.3.6.1.5.5.7.3.2", 2510}, {"1.3.6.1.5.5.7.3.3", 2511},
    {"1.3.6.1.5.5.7.3.4", 2512},      {"1.3.6.1.5.5.7.3.8", 2513}, {"1.3.6.1.5.5.7.3.9", 2514},
    {"1.3.6.1.4.1.311.20.2.2", 2515}, {"1.3.6.1.5.2.3.4", 2516},   {"2.5.29.37.0", 2517},
};

// The key usage bits' names, from bit 0 (digital signature) to bit 8 (decipher only).
constexpr int kTextFirstKeyUsageBit = 2500;
constexpr int kKeyUsageBitCount = 9;

constexpr size_t kDirectoryNameCapacity = 1024;
constexpr uint8_t kTagKeyIdentifier = 0x80;
constexpr uint8_t kTagAuthoritySerial = 0x82;

void Append(std::string& out, std::string_view item) {
    if (!out.empty())
        out += ", ";
    out += item;
}

std::string AsText(DerBytes bytes) {
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::string ColonHex(DerBytes bytes) {
    return HexText(bytes, HexCase::kUpper, ":");
}

std::string IpText(DerBytes bytes) {
    char buffer[INET6_ADDRSTRLEN] = {};
    if (bytes.size() == 4 && inet_ntop(AF_INET, bytes.data(), buffer, sizeof buffer))
        return buffer;
    if (bytes.size() == 16 && inet_ntop(AF_INET6, bytes.data(), buffer, sizeof buffer))
        return buffer;
    return ColonHex(bytes);
}

bool KeyUsageText(DerBytes value, std::string& out) {
    DerBytes bits;
    // The first content byte counts the unused bits of the last one.
    if (!DerReader(value).ReadContent(kTagBitString, &bits) || bits.empty() || bits[0] > 7)
        return false;
    out.clear();
    for (int bit = 0; bit < kKeyUsageBitCount; ++bit) {
        const size_t index = 1 + static_cast<size_t>(bit) / 8;
        if (index < bits.size() && (bits[index] & (0x80 >> (bit % 8))) != 0)
            Append(out, GetText(kTextFirstKeyUsageBit + bit));
    }
    return true;
}

bool ExtendedKeyUsageText(DerBytes value, std::string& out) {
    out.clear();
    return DerForEachElement(value, kTagSequence, [&](const DerElement& purpose) {
        std::string oid;
        if (!DerOidElementText(purpose.whole, oid))
            return false;
        for (const auto& known : kPurposes) {
            if (known.oid == oid) {
                Append(out, GetText(known.textId) + " (" + oid + ")");
                return true;
            }
        }
        Append(out, oid);
        return true;
    });
}

bool GeneralNameText(const DerElement& name, std::string& out) {
    switch (name.tag) {
        case kGeneralNameOther: {
            std::string type;
            DerBytes principal;
            if (!DerReadOtherName(name.content, type, &principal))
                return false;
            Append(out, type == kOidUserPrincipalName ? "UPN:" + AsText(principal)
                                                      : "othername:" + type);
            return true;
        }
        case kGeneralNameEmail:
            Append(out, "email:" + AsText(name.content));
            return true;
        case kGeneralNameDns:
            Append(out, "DNS:" + AsText(name.content));
            return true;
        case kGeneralNameDirectory: {
            std::string text;
            if (DerNameToText(name.content, text, kDirectoryNameCapacity) != DER_OK)
                return false;
            Append(out, "DirName:" + ReadableName(text));
            return true;
        }
        case kGeneralNameUri:
            Append(out, "URI:" + AsText(name.content));
            return true;
        case kGeneralNameIp:
            Append(out, "IP Address:" + IpText(name.content));
            return true;
        case kGeneralNameRegisteredId: {
            // An implicitly tagged identifier: its content under the usual tag.
            if (name.content.size() > 127)
                return false;
            std::vector<uint8_t> element = {kTagOid, static_cast<uint8_t>(name.content.size())};
            element.insert(element.end(), name.content.begin(), name.content.end());
            std::string oid;
            if (!DerOidElementText(element, oid))
                return false;
            Append(out, "Registered ID:" + oid);
            return true;
        }
        default:
            Append(out, ColonHex(name.whole));
            return true;
    }
}

bool GeneralNamesText(DerBytes value, std::string& out) {
    out.clear();
    return DerForEachElement(value, kTagSequence,
                             [&](const DerElement& name) { return GeneralNameText(name, out); });
}

bool BasicConstraintsText(DerBytes value, std::string& out) {
    bool ca = false;
    std::string pathLength;
    const bool read = DerForEachElement(value, kTagSequence, [&](const DerElement& field) {
        if (field.tag == kTagBoolean && field.content.size() == 1) {
            ca = field.content[0] != 0;
            return true;
        }
        if (field.tag == kTagInteger && !field.content.empty() && field.content.size() <= 4 &&
            (field.content[0] & 0x80) == 0) {
            unsigned long length = 0;
            for (uint8_t byte : field.content)
                length = (length << 8) | byte;
            pathLength = std::to_string(length);
            return true;
        }
        return false;
    });
    if (!read)
        return false;
    out = ca ? "CA:TRUE" : "CA:FALSE";
    if (!pathLength.empty())
        out += ", pathlen:" + pathLength;
    return true;
}

bool KeyIdentifierText(DerBytes value, std::string& out) {
    DerBytes id;
    if (!DerReader(value).ReadContent(kTagOctetString, &id))
        return false;
    out = ColonHex(id);
    return true;
}

bool AuthorityKeyIdText(DerBytes value, std::string& out) {
    out.clear();
    return DerForEachElement(value, kTagSequence, [&](const DerElement& field) {
        if (field.tag == kTagKeyIdentifier) {
            out = ColonHex(field.content);
        } else if (field.tag == kTagAuthoritySerial) {
            Append(out, "serial:" + ColonHex(field.content));
        }
        return true;
    });
}

}  // namespace

bool ExtensionValueText(std::string_view oid, DerBytes value, std::string& out) {
    static constexpr struct {
        std::string_view oid;
        bool (*decode)(DerBytes, std::string&);
    } kDecoders[] = {
        {kOidKeyUsage, KeyUsageText},
        {kOidExtendedKeyUsage, ExtendedKeyUsageText},
        {kOidSubjectAltName, GeneralNamesText},
        {kOidIssuerAltName, GeneralNamesText},
        {kOidBasicConstraints, BasicConstraintsText},
        {kOidSubjectKeyIdentifier, KeyIdentifierText},
        {kOidAuthorityKeyIdentifier, AuthorityKeyIdText},
    };
    for (const auto& d : kDecoders) {
        if (d.oid == oid)
            return d.decode(value, out);
    }
    return false;
}

}  // namespace orx
