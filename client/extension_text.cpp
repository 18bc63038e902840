#include "client/extension_text.h"

#include <arpa/inet.h>

#include <cstdio>

#include "client/client_texts.h"
#include "core/language.h"
#include "der/der_length.h"
#include "der/der_name_text.h"
#include "der/der_oid.h"
#include "der/der_result.h"

namespace orx {
namespace {

struct Named {
    std::string_view oid;
    std::string_view name;
};

// Purposes are named in the user's language; the dotted identifier shown beside
// each name is what administrators search for.
constexpr struct {
    std::string_view oid;
    int textId;
} kPurposes[] = {
    {"1.3.6.1.5.5.7.3.1", kTextPurposeTlsServer},
    {"1.3.6.1.5.5.7.3.2", kTextPurposeTlsClient},
    {"1.3.6.1.5.5.7.3.3", kTextPurposeCodeSigning},
    {"1.3.6.1.5.5.7.3.4", kTextPurposeEmail},
    {"1.3.6.1.5.5.7.3.8", kTextPurposeTimeStamping},
    {"1.3.6.1.5.5.7.3.9", kTextPurposeOcspSigning},
    {"1.3.6.1.4.1.311.20.2.2", kTextPurposeSmartCardLogon},
    {"1.3.6.1.5.2.3.4", kTextPurposePkinitClient},
    {"2.5.29.37.0", kTextPurposeAny},
};

constexpr struct {
    std::string_view oid;
    int textId;
} kExtensions[] = {
    {"2.5.29.15", kTextKeyUsage},
    {"2.5.29.37", kTextExtendedKeyUsage},
    {"2.5.29.17", kTextSubjectAltName},
    {"2.5.29.18", kTextIssuerAltName},
    {"2.5.29.19", kTextBasicConstraints},
    {"2.5.29.14", kTextSubjectKeyId},
    {"2.5.29.35", kTextAuthorityKeyId},
    {"2.5.29.31", kTextCrlDistribution},
    {"2.5.29.32", kTextCertificatePolicies},
    {"1.3.6.1.5.5.7.1.1", kTextAuthorityInfoAccess},
};

constexpr Named kAttributes[] = {
    {"2.5.4.3", "CN"},
    {"2.5.4.4", "SN"},
    {"2.5.4.5", "SERIALNUMBER"},
    {"2.5.4.6", "C"},
    {"2.5.4.7", "L"},
    {"2.5.4.8", "ST"},
    {"2.5.4.9", "STREET"},
    {"2.5.4.10", "O"},
    {"2.5.4.11", "OU"},
    {"2.5.4.12", "T"},
    {"2.5.4.42", "G"},
    {"2.5.4.41", "NAME"},
    {"0.9.2342.19200300.100.1.25", "DC"},
    {"0.9.2342.19200300.100.1.1", "UID"},
    {"1.2.840.113549.1.9.1", "E"},
};

constexpr const char* kUpn = "1.3.6.1.4.1.311.20.2.3";

void Append(std::string& out, std::string_view item) {
    if (!out.empty())
        out += ", ";
    out += item;
}

std::string AsText(DerBytes bytes) {
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// The content of an element that must carry `tag`.
bool Content(DerBytes element, uint8_t tag, DerBytes* content) {
    return DerTag(element) == tag && DerDecodeHeader(element, content) == DER_OK;
}

bool OidText(DerBytes element, std::string& text) {
    text.clear();
    return DerTag(element) == kTagOid && DerOidToText(element, text, kOidTextCapacity) == DER_OK &&
           !text.empty();
}

std::string IpText(DerBytes bytes) {
    char buffer[INET6_ADDRSTRLEN] = {};
    if (bytes.size() == 4 && inet_ntop(AF_INET, bytes.data(), buffer, sizeof buffer))
        return buffer;
    if (bytes.size() == 16 && inet_ntop(AF_INET6, bytes.data(), buffer, sizeof buffer))
        return buffer;
    return ColonHexText(bytes);
}

}  // namespace

std::string ColonHexText(DerBytes bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i)
            out.push_back(':');
        out.push_back(kDigits[bytes[i] >> 4]);
        out.push_back(kDigits[bytes[i] & 15]);
    }
    return out;
}

std::string ExtensionName(std::string_view oid) {
    for (const auto& e : kExtensions) {
        if (e.oid == oid)
            return GetText(e.textId);
    }
    return {};
}

std::string KeyPurposeName(std::string_view oid) {
    for (const auto& p : kPurposes) {
        if (p.oid == oid)
            return GetText(p.textId);
    }
    return {};
}

bool KeyUsageText(DerBytes value, std::string& out) {
    DerBytes bits;
    if (!Content(value, kTagBitString, &bits) || bits.empty() || bits[0] > 7)
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
    DerBytes list;
    if (!Content(value, kTagSequence, &list))
        return false;
    out.clear();
    DerReader reader(list);
    while (!reader.empty()) {
        DerBytes element;
        std::string oid;
        if (DerReadElement(reader, &element) != DER_OK || !OidText(element, oid))
            return false;
        const std::string name = KeyPurposeName(oid);
        Append(out, name.empty() ? oid : name + " (" + oid + ")");
    }
    return true;
}

bool GeneralNamesText(DerBytes value, std::string& out) {
    DerBytes list;
    if (!Content(value, kTagSequence, &list))
        return false;
    out.clear();
    DerReader reader(list);
    while (!reader.empty()) {
        DerBytes element;
        DerBytes content;
        if (DerReadElement(reader, &element) != DER_OK ||
            DerDecodeHeader(element, &content) != DER_OK) {
            return false;
        }
        switch (DerTag(element)) {
            case 0xA0: {  // otherName: type-id, [0] value
                DerReader inner(content);
                DerBytes typeId;
                DerBytes explicitValue;
                DerBytes innerValue;
                DerBytes text;
                std::string oid;
                if (DerReadElement(inner, &typeId) != DER_OK || !OidText(typeId, oid) ||
                    DerReadElement(inner, &explicitValue) != DER_OK ||
                    DerDecodeHeader(explicitValue, &innerValue) != DER_OK ||
                    DerDecodeHeader(innerValue, &text) != DER_OK) {
                    return false;
                }
                Append(out, oid == kUpn ? "UPN:" + AsText(text) : "othername:" + oid);
                break;
            }
            case 0x81:
                Append(out, "email:" + AsText(content));
                break;
            case 0x82:
                Append(out, "DNS:" + AsText(content));
                break;
            case 0xA4: {
                std::string name;
                if (DerNameToText(content, name, 1024) != DER_OK)
                    return false;
                Append(out, "DirName:" + ReadableName(name));
                break;
            }
            case 0x86:
                Append(out, "URI:" + AsText(content));
                break;
            case 0x87:
                Append(out, "IP Address:" + IpText(content));
                break;
            case 0x88: {
                std::string oid;
                std::vector<uint8_t> rebuilt = {kTagOid, static_cast<uint8_t>(content.size())};
                rebuilt.insert(rebuilt.end(), content.begin(), content.end());
                if (content.size() > 127 || !OidText(rebuilt, oid))
                    return false;
                Append(out, "Registered ID:" + oid);
                break;
            }
            default:
                Append(out, ColonHexText(element));
                break;
        }
    }
    return true;
}

bool BasicConstraintsText(DerBytes value, std::string& out) {
    DerBytes fields;
    if (!Content(value, kTagSequence, &fields))
        return false;
    DerReader reader(fields);
    bool ca = false;
    std::string pathLength;
    while (!reader.empty()) {
        DerBytes element;
        DerBytes content;
        if (DerReadElement(reader, &element) != DER_OK ||
            DerDecodeHeader(element, &content) != DER_OK) {
            return false;
        }
        if (DerTag(element) == kTagBoolean && content.size() == 1) {
            ca = content[0] != 0;
        } else if (DerTag(element) == kTagInteger && !content.empty() && content.size() <= 4 &&
                   (content[0] & 0x80) == 0) {
            unsigned long length = 0;
            for (uint8_t byte : content)
                length = (length << 8) | byte;
            pathLength = std::to_string(length);
        } else {
            return false;
        }
    }
    out = ca ? "CA:TRUE" : "CA:FALSE";
    if (!pathLength.empty())
        out += ", pathlen:" + pathLength;
    return true;
}

bool KeyIdentifierText(DerBytes value, std::string& out) {
    DerBytes id;
    if (!Content(value, kTagOctetString, &id))
        return false;
    out = ColonHexText(id);
    return true;
}

bool AuthorityKeyIdText(DerBytes value, std::string& out) {
    DerBytes fields;
    if (!Content(value, kTagSequence, &fields))
        return false;
    DerReader reader(fields);
    out.clear();
    while (!reader.empty()) {
        DerBytes element;
        DerBytes content;
        if (DerReadElement(reader, &element) != DER_OK ||
            DerDecodeHeader(element, &content) != DER_OK) {
            return false;
        }
        if (DerTag(element) == 0x80) {
            out = ColonHexText(content);
        } else if (DerTag(element) == 0x82) {
            Append(out, "serial:" + ColonHexText(content));
        }
    }
    return true;
}

bool ExtensionValueText(std::string_view oid, DerBytes value, std::string& out) {
    static constexpr struct {
        std::string_view oid;
        bool (*decode)(DerBytes, std::string&);
    } kDecoders[] = {
        {"2.5.29.15", KeyUsageText},         {"2.5.29.37", ExtendedKeyUsageText},
        {"2.5.29.17", GeneralNamesText},     {"2.5.29.18", GeneralNamesText},
        {"2.5.29.19", BasicConstraintsText}, {"2.5.29.14", KeyIdentifierText},
        {"2.5.29.35", AuthorityKeyIdText},
    };
    for (const auto& d : kDecoders) {
        if (d.oid == oid)
            return d.decode(value, out);
    }
    return false;
}

std::string ReadableName(std::string_view nameText) {
    // Name texts join attributes with ", " and " + "; a value may hold either too,
    // so only a type that is followed by "=" is replaced.
    std::string out;
    size_t position = 0;
    bool atAttribute = true;
    while (position < nameText.size()) {
        if (atAttribute) {
            const size_t equals = nameText.find('=', position);
            if (equals != std::string_view::npos) {
                const std::string_view type = nameText.substr(position, equals - position);
                std::string_view shortName = type;
                for (const Named& a : kAttributes) {
                    if (a.oid == type)
                        shortName = a.name;
                }
                out += shortName;
                out += '=';
                position = equals + 1;
                atAttribute = false;
                continue;
            }
        }
        const size_t comma = nameText.find(", ", position);
        const size_t plus = nameText.find(" + ", position);
        const size_t next = std::min(comma, plus);
        if (next == std::string_view::npos) {
            out += nameText.substr(position);
            break;
        }
        const size_t separator = next == comma ? 2 : 3;
        const std::string_view rest = nameText.substr(next + separator);
        const size_t equals = rest.find('=');
        const bool looksLikeType =
            equals != std::string_view::npos &&
            rest.substr(0, equals).find_first_not_of("0123456789.") == std::string_view::npos &&
            equals > 0;
        out += nameText.substr(position, next + separator - position);
        position = next + separator;
        atAttribute = looksLikeType;
    }
    return out;
}

}  // namespace orx
