#include "der/der_name_text.h"

#include <algorithm>
#include <array>
#include <memory>
#include <new>

#include "core/text_encoding.h"
#include "core/trace.h"
#include "der/der_length.h"
#include "der/der_oid.h"
#include "der/der_result.h"

namespace orx {

namespace {

constexpr size_t kMaxValueLength = 126;

// Unicode code point of each Windows-1252 byte from 0x80 to 0x9F, taken from the
// decoder itself so that what is written reads back the same.
const std::array<uint32_t, 32>& Windows1252HighTable() {
    static const std::array<uint32_t, 32> table = [] {
        std::array<uint32_t, 32> t{};
        for (size_t i = 0; i < t.size(); ++i) {
            const char byte = static_cast<char>(0x80 + i);
            const std::u16string wide = Utf8ToWide(Windows1252ToUtf8(std::string_view(&byte, 1)));
            t[i] = wide.size() == 1 ? wide[0] : 0xFFFFFFFFu;
        }
        return t;
    }();
    return table;
}

// The text as Windows-1252 bytes, or false when a character has none (or the text
// is no valid UTF-8).
bool Utf8ToWindows1252(std::string_view text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        uint32_t cp;
        size_t length;
        if (lead < 0x80) {
            cp = lead;
            length = 1;
        } else if ((lead & 0xE0) == 0xC0) {
            cp = lead & 0x1Fu;
            length = 2;
        } else if ((lead & 0xF0) == 0xE0) {
            cp = lead & 0x0Fu;
            length = 3;
        } else {
            return false;  // four-byte characters have no Windows-1252 byte either
        }
        if (i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (next & 0x3Fu);
        }
        if ((length == 2 && cp < 0x80) || (length == 3 && cp < 0x800))
            return false;
        i += length;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out.push_back(static_cast<char>(cp));
            continue;
        }
        const auto& high = Windows1252HighTable();
        const auto found = std::find(high.begin(), high.end(), cp);
        if (found == high.end())
            return false;
        out.push_back(static_cast<char>(0x80 + (found - high.begin())));
    }
    return true;
}

}  // namespace

int DecodeNameValue(DerBytes element, std::string& out, uint32_t* count) {
    DerReader reader(element);
    uint8_t tag = 0;
    uint8_t length = 0;
    DerBytes content;
    if (!reader.ReadByte(&tag) || !reader.ReadByte(&length) || length >= 0x80 ||
        !reader.ReadBytes(length, &content) || (tag == kTagBmpString && length % 2 != 0)) {
        Trace("DerCertificate - Invalid length for decoding text");
        return DER_BAD_LENGTH;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(content.data()), content.size());
    std::string text;
    if (tag == kTagBmpString) {
        text = Utf16BeBytesToUtf8(bytes);
    } else if (tag == kTagT61String) {
        text = Windows1252ToUtf8(bytes);
    } else {
        text.assign(bytes);
    }
    if (text.size() >= *count) {
        Trace("DerCertificate - Buffer too small");
        return DER_BUFFER_TOO_SMALL;
    }
    out = std::move(text);
    *count = static_cast<uint32_t>(out.size());
    return DER_OK;
}

int EncodeNameValue(std::string_view text, DerArea area, uint32_t* count) {
    uint8_t tag = kTagPrintableString;
    std::string converted;
    std::string_view bytes = text;
    if (std::any_of(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; })) {
        if (Utf8ToWindows1252(text, converted)) {
            tag = kTagT61String;
            bytes = converted;
        } else {
            tag = kTagUtf8String;
        }
    }
    const uint64_t capacity = std::min<uint64_t>(*count, area.size());
    if (bytes.size() >= kMaxValueLength || capacity < bytes.size() + 2) {
        Trace("DerCertificate - Invalid length for encoding text");
        return DER_BAD_LENGTH;
    }
    area[0] = tag;
    area[1] = static_cast<uint8_t>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), area.begin() + 2);
    *count = static_cast<uint32_t>(bytes.size() + 2);
    return DER_OK;
}

namespace {

// Appends when the piece and a terminator fit.
bool Append(std::string& out, size_t capacity, std::string_view piece) {
    if (out.size() + piece.size() >= capacity)
        return false;
    out.append(piece);
    return true;
}

// One attribute (SEQUENCE of type and value) appended as "type=value".
int AppendAttribute(DerBytes attribute, std::string& out, size_t capacity, uint32_t valueArea) {
    if (DerTag(attribute) != kTagSequence) {
        Trace("DerCertificate - Failed to decode RDN, not SEQUENCE");
        return DER_BAD_TAG;
    }
    DerBytes content;
    int rc = DerDecodeHeader(attribute, &content);
    if (rc != DER_OK)
        return rc;
    DerReader reader(content);
    DerBytes oid;
    rc = DerReadElement(reader, &oid);
    if (rc != DER_OK)
        return rc;
    if (DerTag(oid) != kTagOid) {
        Trace("DerCertificate - Failed to decode RDN, not OID");
        return DER_BAD_TAG;
    }
    // An attribute without a value, or with an empty one, contributes nothing.
    if (reader.empty())
        return DER_OK;
    DerBytes value;
    rc = DerReadElement(reader, &value);
    if (rc != DER_OK)
        return rc;
    uint32_t valueLength = 0;
    rc = DerDecodeHeader(value, nullptr, &valueLength);
    if (rc != DER_OK)
        return rc;
    if (valueLength == 0)
        return DER_OK;

    const size_t room = capacity - out.size();
    if (room <= value.size() + 2 * oid.size() + 1)
        return DER_BUFFER_TOO_SMALL;
    std::string text;
    uint32_t count = valueArea;
    if (DecodeNameValue(value, text, &count) != DER_OK)
        return DER_BUFFER_TOO_SMALL;
    std::string type;
    rc = DerOidToText(oid, type, kOidTextCapacity);
    if (rc != DER_OK)
        return rc;
    type.push_back('=');
    type.append(text);
    // A value that grew in conversion may still not fit.
    return Append(out, capacity, type) ? DER_OK : DER_BUFFER_TOO_SMALL;
}

}  // namespace

int DerNameToText(DerBytes name, std::string& out, size_t capacity) {
    out.clear();
    if (capacity == 0)
        return DER_BUFFER_TOO_SMALL;
    // Converted values get twice the room of the whole name.
    const auto valueArea = static_cast<uint32_t>(std::min<uint64_t>(2 * name.size(), UINT32_MAX));
    DerBytes content;
    int rc = DerDecodeHeader(name, &content);
    if (rc != DER_OK) {
        Trace("DerCertificate - Failed to decode RDN top sequence");
        return rc;
    }
    DerReader sets(content);
    while (!sets.empty()) {
        DerBytes set;
        rc = DerReadElement(sets, &set);
        if (rc != DER_OK)
            return rc;
        if (DerTag(set) != kTagSet) {
            Trace("DerCertificate - Failed to decode RDN, not SET");
            return DER_BAD_TAG;
        }
        DerBytes setContent;
        rc = DerDecodeHeader(set, &setContent);
        if (rc != DER_OK)
            return rc;
        DerReader attributes(setContent);
        while (!attributes.empty()) {
            DerBytes attribute;
            rc = DerReadElement(attributes, &attribute);
            if (rc != DER_OK)
                return rc;
            rc = AppendAttribute(attribute, out, capacity, valueArea);
            if (rc != DER_OK)
                return rc;
            if (!attributes.empty() && !Append(out, capacity, " + "))
                return DER_BUFFER_TOO_SMALL;
        }
        if (!sets.empty() && !Append(out, capacity, ", "))
            return DER_BUFFER_TOO_SMALL;
    }
    return DER_OK;
}

namespace {

// Pieces between separators, empty ones left out as the name texts have always
// been split.
std::vector<std::string_view> SplitNonEmpty(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::string_view::npos)
            end = text.size();
        if (end > start)
            pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

}  // namespace

int DerTextToName(std::string_view text, std::vector<uint8_t>& element) {
    text = text.substr(0, text.find('\0'));
    const size_t areaSize = 3 * text.size() + 30;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[areaSize]);
    if (!buffer)
        return DER_NO_MEMORY;
    const DerArea area(buffer.get(), areaSize);
    const auto capacity = static_cast<uint32_t>(areaSize);
    uint32_t used = 0;
    for (std::string_view rdn : SplitNonEmpty(text, ',')) {
        const uint32_t setStart = used;
        for (std::string_view attribute : SplitNonEmpty(rdn, '+')) {
            const uint32_t attributeStart = used;
            const size_t equals = attribute.find('=');
            uint32_t written = 0;
            int rc = DerEncodeOid(attribute.substr(0, equals), area.subspan(used), &written);
            if (rc != DER_OK)
                return rc;
            used += written;
            if (equals != std::string_view::npos) {
                written = capacity - used;
                rc = EncodeNameValue(attribute.substr(equals + 1), area.subspan(used), &written);
                if (rc != DER_OK)
                    return rc;
                used += written;
            }
            written = used - attributeStart;
            rc = DerWrap(kTagSequence, area.subspan(attributeStart), &written,
                         capacity - attributeStart);
            if (rc != DER_OK)
                return rc;
            used = attributeStart + written;
        }
        uint32_t written = used - setStart;
        const int rc = DerWrap(kTagSet, area.subspan(setStart), &written, capacity - setStart);
        if (rc != DER_OK)
            return rc;
        used = setStart + written;
    }
    const int rc = DerWrap(kTagSequence, area, &used, capacity);
    if (rc != DER_OK)
        return rc;
    element.assign(area.begin(), area.begin() + used);
    return DER_OK;
}

namespace {

struct ShortName {
    std::string_view oid;
    std::string_view name;
};

constexpr ShortName kShortNames[] = {
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

}  // namespace

std::string ReadableName(std::string_view nameText) {
    std::string out;
    size_t position = 0;
    bool atAttribute = true;
    while (position < nameText.size()) {
        if (atAttribute) {
            const size_t equals = nameText.find('=', position);
            if (equals != std::string_view::npos) {
                const std::string_view type = nameText.substr(position, equals - position);
                std::string_view shortName = type;
                for (const ShortName& known : kShortNames) {
                    if (known.oid == type)
                        shortName = known.name;
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
