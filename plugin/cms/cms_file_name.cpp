#include "cms/cms_file_name.h"

#include <optional>

#include "core/config_file.h"
#include "der/der_oid.h"
#include "der/der_reader.h"

namespace orx {

namespace {

// id-aa-contentHint (1.2.840.113549.1.9.16.2.4) and id-data (1.2.840.113549.1.7.1).
constexpr uint8_t kContentHintOid[] = {0x06, 0x0B, 0x2A, 0x86, 0x48, 0x86, 0xF7,
                                       0x0D, 0x01, 0x09, 0x10, 0x02, 0x04};
constexpr uint8_t kDataOid[] = {0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x01};
constexpr uint8_t kEnvelopedOid[] = {0x06, 0x09, 0x2A, 0x86, 0x48, 0x86,
                                     0xF7, 0x0D, 0x01, 0x07, 0x03};
constexpr size_t kMaxNameSize = 1024;

std::string Tlv(uint8_t tag, std::string_view content) {
    std::string out(1, static_cast<char>(tag));
    const size_t n = content.size();
    if (n < 0x80) {
        out += static_cast<char>(n);
    } else {
        std::string len;
        for (size_t v = n; v > 0; v >>= 8)
            len.insert(len.begin(), static_cast<char>(v & 0xFF));
        out += static_cast<char>(0x80 | len.size());
        out += len;
    }
    out += content;
    return out;
}

std::string_view View(const uint8_t* p, size_t n) {
    return {reinterpret_cast<const char*>(p), n};
}

bool SameBytes(DerBytes bytes, const uint8_t* expected, size_t size) {
    return View(bytes.data(), bytes.size()) == View(expected, size);
}

// Streaming writes the levels around the content in the indefinite-length form.
bool Indefinite(const DerElement& element) {
    return element.whole.size() > 1 && element.whole[1] == 0x80;
}

// The elements inside a constructed element, without the end-of-contents mark
// that closes the indefinite-length form.
DerBytes Fields(const DerElement& element) {
    return Indefinite(element) ? element.content.first(element.content.size() - 2)
                               : element.content;
}

struct Envelope {
    DerElement data;        // the EnvelopedData SEQUENCE
    bool streamed = false;  // every level around it has the indefinite form
};

std::optional<Envelope> FindEnvelopedData(DerBytes in) {
    DerElement info, wrap;
    DerBytes type;
    Envelope envelope;
    if (!DerReader(in).ReadAnyElement(&info) || info.tag != 0x30)
        return std::nullopt;
    DerReader fields(Fields(info));
    if (!fields.ReadElement(0x06, &type) || !SameBytes(type, kEnvelopedOid, sizeof kEnvelopedOid) ||
        !fields.ReadAnyElement(&wrap) || wrap.tag != 0xA0 ||
        !DerReader(Fields(wrap)).ReadAnyElement(&envelope.data) || envelope.data.tag != 0x30)
        return std::nullopt;
    envelope.streamed = Indefinite(info) && Indefinite(wrap) && Indefinite(envelope.data);
    return envelope;
}

// The content of the first element of `bytes`, which must carry `tag` and a
// definite length.
bool FirstDefinite(DerBytes bytes, uint8_t tag, DerBytes* content) {
    DerReader reader(bytes);
    DerElement element;
    uint8_t next = 0;
    if (!reader.PeekTag(&next) || next != tag || !reader.ReadAnyElement(&element) ||
        Indefinite(element))
        return false;
    *content = element.content;
    return true;
}

// The file name in a SET OF Attribute: the content hint's description; "" when
// there is none or it is malformed.
std::string NameFromAttributes(DerBytes attributes) {
    std::string name;
    DerForEachIn(attributes, [&](const DerElement& attribute) {
        if (attribute.tag != 0x30 || Indefinite(attribute))
            return false;
        DerReader reader(attribute.content);
        DerBytes type, values, hint, text;
        if (!reader.ReadElement(0x06, &type) ||
            !SameBytes(type, kContentHintOid, sizeof kContentHintOid))
            return true;
        // SET { SEQUENCE { UTF8String description, OBJECT IDENTIFIER } }
        if (FirstDefinite(reader.rest(), 0x31, &values) && FirstDefinite(values, 0x30, &hint) &&
            FirstDefinite(hint, 0x0C, &text))
            name = SafeBaseName(View(text.data(), text.size()));
        return false;
    });
    return name;
}

}  // namespace

bool RecordFileNameConfigured() {
    int32_t value = 0;
    return ConfigReadInt(kFileNameSection, kFileNameKey, value) == kConfigOk && value != 0;
}

std::string SafeBaseName(std::string_view path) {
    const size_t cut = path.find_last_of("/\\");
    std::string_view name = cut == std::string_view::npos ? path : path.substr(cut + 1);
    if (name.empty() || name == "." || name == ".." || name.size() > kMaxNameSize)
        return {};
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return {};
    }
    return std::string(name);
}

std::string FileNameAttributes(std::string_view name) {
    const std::string hint =
        Tlv(0x30, Tlv(0x0C, name) + std::string(View(kDataOid, sizeof kDataOid)));
    const std::string attribute =
        Tlv(0x30, std::string(View(kContentHintOid, sizeof kContentHintOid)) + Tlv(0x31, hint));
    return Tlv(0xA1, attribute);
}

bool PrepareForAttributes(std::span<uint8_t> ber, size_t& offset) {
    const std::optional<Envelope> envelope = FindEnvelopedData(ber);
    if (!envelope || !envelope->streamed)
        return false;
    const DerBytes fields = Fields(envelope->data);
    DerBytes version;
    if (!DerReader(fields).ReadContent(0x02, &version) || version.size() != 1)
        return false;
    // Every field must be readable, and attributes must not be there already.
    if (!DerForEachIn(fields, [](const DerElement& field) { return field.tag != 0xA1; }))
        return false;
    uint8_t& versionByte = ber[static_cast<size_t>(version.data() - ber.data())];
    if (versionByte < 2)
        versionByte = 2;
    offset = static_cast<size_t>(fields.data() + fields.size() - ber.data());
    return true;
}

std::string ReadFileNameAttribute(std::span<const uint8_t> ber) {
    const std::optional<Envelope> envelope = FindEnvelopedData(ber);
    if (!envelope)
        return {};
    std::string name;
    DerForEachIn(Fields(envelope->data), [&](const DerElement& field) {
        if (field.tag != 0xA1 || Indefinite(field))
            return true;
        name = NameFromAttributes(field.content);
        return false;
    });
    return name;
}

std::string ReadContentCipherOid(std::span<const uint8_t> ber) {
    const std::optional<Envelope> envelope = FindEnvelopedData(ber);
    if (!envelope)
        return {};
    // version, [0] originatorInfo (optional), recipientInfos SET, then the SEQUENCE
    // of contentType and contentEncryptionAlgorithm.
    DerReader fields(Fields(envelope->data));
    DerElement info;
    for (int read = 0; read < 4; ++read) {
        if (!fields.ReadAnyElement(&info))
            return {};
        if (info.tag == 0x30)
            break;
    }
    DerReader inInfo(Fields(info));
    DerBytes type, oid;
    DerElement algorithm;
    if (info.tag != 0x30 || !inInfo.ReadElement(0x06, &type) ||
        !inInfo.ReadAnyElement(&algorithm) || algorithm.tag != 0x30 ||
        !DerReader(Fields(algorithm)).ReadElement(0x06, &oid) || oid.size() < 2 || oid[1] == 0x80)
        return {};
    std::string text;
    if (DerOidToText(oid, text, 128) != 0)
        return {};
    return text;
}

}  // namespace orx
