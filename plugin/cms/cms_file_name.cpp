#include "cms/cms_file_name.h"

#include <optional>

#include "core/config_file.h"
#include "der/der_oid.h"

namespace orx {

namespace {

// id-aa-contentHint (1.2.840.113549.1.9.16.2.4) and id-data (1.2.840.113549.1.7.1).
constexpr uint8_t kContentHintOid[] = {0x06, 0x0B, 0x2A, 0x86, 0x48, 0x86, 0xF7,
                                       0x0D, 0x01, 0x09, 0x10, 0x02, 0x04};
constexpr uint8_t kDataOid[] = {0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x01};
constexpr uint8_t kEnvelopedOid[] = {0x06, 0x09, 0x2A, 0x86, 0x48, 0x86,
                                     0xF7, 0x0D, 0x01, 0x07, 0x03};
constexpr size_t kMaxNameSize = 1024;
constexpr int kMaxDepth = 64;

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

// One BER element header at `pos`.
struct Header {
    uint8_t tag = 0;
    size_t headerSize = 0;
    bool indefinite = false;
    size_t length = 0;  // content length when definite
};

std::optional<Header> ReadHeader(std::span<const uint8_t> in, size_t pos) {
    if (pos + 2 > in.size())
        return std::nullopt;
    Header h;
    h.tag = in[pos];
    if ((h.tag & 0x1F) == 0x1F)
        return std::nullopt;  // high tag numbers do not occur in these structures
    const uint8_t first = in[pos + 1];
    size_t at = pos + 2;
    if (first == 0x80) {
        if ((h.tag & 0x20) == 0)
            return std::nullopt;
        h.indefinite = true;
    } else if (first & 0x80) {
        const size_t count = first & 0x7F;
        if (count > sizeof(size_t) || at + count > in.size())
            return std::nullopt;
        for (size_t i = 0; i < count; ++i)
            h.length = (h.length << 8) | in[at++];
    } else {
        h.length = first;
    }
    h.headerSize = at - pos;
    if (!h.indefinite && h.length > in.size() - at)
        return std::nullopt;
    return h;
}

// The offset just behind the element at `pos`, or nothing when it is malformed.
std::optional<size_t> SkipElement(std::span<const uint8_t> in, size_t pos, int depth = 0) {
    const std::optional<Header> h = ReadHeader(in, pos);
    if (!h || depth > kMaxDepth)
        return std::nullopt;
    size_t at = pos + h->headerSize;
    if (!h->indefinite)
        return at + h->length;
    while (true) {
        if (at + 2 > in.size())
            return std::nullopt;
        if (in[at] == 0 && in[at + 1] == 0)
            return at + 2;
        const std::optional<size_t> next = SkipElement(in, at, depth + 1);
        if (!next)
            return std::nullopt;
        at = *next;
    }
}

// Walks to the EnvelopedData SEQUENCE; gives its header offset and whether every
// level around it has the indefinite form.
std::optional<size_t> FindEnvelopedData(std::span<const uint8_t> in, bool* streamed = nullptr) {
    const std::optional<Header> info = ReadHeader(in, 0);
    if (!info || info->tag != 0x30)
        return std::nullopt;
    size_t at = info->headerSize;
    const std::optional<Header> oid = ReadHeader(in, at);
    if (!oid || oid->tag != 0x06 ||
        View(in.data() + at, oid->headerSize + oid->length) !=
            View(kEnvelopedOid, sizeof kEnvelopedOid))
        return std::nullopt;
    at += oid->headerSize + oid->length;
    const std::optional<Header> wrap = ReadHeader(in, at);
    if (!wrap || wrap->tag != 0xA0)
        return std::nullopt;
    at += wrap->headerSize;
    const std::optional<Header> env = ReadHeader(in, at);
    if (!env || env->tag != 0x30)
        return std::nullopt;
    if (streamed)
        *streamed = info->indefinite && wrap->indefinite && env->indefinite;
    return at;
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
    bool streamed = false;
    const std::optional<size_t> envAt = FindEnvelopedData(ber, &streamed);
    if (!envAt || !streamed)
        return false;
    const std::optional<Header> env = ReadHeader(ber, *envAt);
    size_t at = *envAt + env->headerSize;
    const std::optional<Header> version = ReadHeader(ber, at);
    if (!version || version->tag != 0x02 || version->length != 1)
        return false;
    const size_t versionAt = at + version->headerSize;
    while (true) {
        if (at + 2 > ber.size())
            return false;
        if (ber[at] == 0 && ber[at + 1] == 0)
            break;
        const std::optional<Header> h = ReadHeader(ber, at);
        if (!h || h->tag == 0xA1)
            return false;  // attributes are there already
        const std::optional<size_t> next = SkipElement(ber, at);
        if (!next)
            return false;
        at = *next;
    }
    if (ber[versionAt] < 2)
        ber[versionAt] = 2;
    offset = at;
    return true;
}

std::string ReadFileNameAttribute(std::span<const uint8_t> ber) {
    const std::optional<size_t> envAt = FindEnvelopedData(ber);
    if (!envAt)
        return {};
    const std::optional<Header> env = ReadHeader(ber, *envAt);
    const size_t end = env->indefinite ? ber.size() : *envAt + env->headerSize + env->length;
    size_t at = *envAt + env->headerSize;
    while (at + 2 <= end && !(ber[at] == 0 && ber[at + 1] == 0)) {
        const std::optional<Header> h = ReadHeader(ber, at);
        const std::optional<size_t> next = SkipElement(ber, at);
        if (!h || !next || *next > end)
            return {};
        if (h->tag == 0xA1 && !h->indefinite) {
            // SET OF Attribute: look for the content hint and take its description.
            size_t a = at + h->headerSize;
            const size_t setEnd = *next;
            while (a < setEnd) {
                const std::optional<Header> attr = ReadHeader(ber, a);
                if (!attr || attr->tag != 0x30 || attr->indefinite)
                    return {};
                const size_t attrEnd = a + attr->headerSize + attr->length;
                size_t p = a + attr->headerSize;
                const std::optional<Header> oid = ReadHeader(ber, p);
                if (oid && oid->tag == 0x06 &&
                    View(ber.data() + p, oid->headerSize + oid->length) ==
                        View(kContentHintOid, sizeof kContentHintOid)) {
                    p += oid->headerSize + oid->length;
                    const std::optional<Header> set = ReadHeader(ber, p);
                    if (!set || set->tag != 0x31 || set->indefinite)
                        return {};
                    p += set->headerSize;
                    const std::optional<Header> hint = ReadHeader(ber, p);
                    if (!hint || hint->tag != 0x30 || hint->indefinite)
                        return {};
                    p += hint->headerSize;
                    const std::optional<Header> text = ReadHeader(ber, p);
                    if (!text || text->tag != 0x0C || text->indefinite ||
                        p + text->headerSize + text->length > attrEnd)
                        return {};
                    return SafeBaseName(View(ber.data() + p + text->headerSize, text->length));
                }
                a = attrEnd;
            }
            return {};
        }
        at = *next;
    }
    return {};
}

std::string ReadContentCipherOid(std::span<const uint8_t> ber) {
    const std::optional<size_t> envAt = FindEnvelopedData(ber);
    if (!envAt)
        return {};
    // version, [0] originatorInfo (optional), recipientInfos SET, then the SEQUENCE
    // of contentType and contentEncryptionAlgorithm.
    size_t at = *envAt + ReadHeader(ber, *envAt)->headerSize;
    for (int skipped = 0; skipped < 3; ++skipped) {
        const std::optional<Header> h = ReadHeader(ber, at);
        if (!h)
            return {};
        if (h->tag == 0x30)
            break;
        const std::optional<size_t> next = SkipElement(ber, at);
        if (!next)
            return {};
        at = *next;
    }
    const std::optional<Header> info = ReadHeader(ber, at);
    if (!info || info->tag != 0x30)
        return {};
    at += info->headerSize;
    const std::optional<size_t> afterType = SkipElement(ber, at);
    if (!afterType || ReadHeader(ber, at)->tag != 0x06)
        return {};
    at = *afterType;
    const std::optional<Header> algorithm = ReadHeader(ber, at);
    if (!algorithm || algorithm->tag != 0x30)
        return {};
    at += algorithm->headerSize;
    const std::optional<Header> oid = ReadHeader(ber, at);
    if (!oid || oid->tag != 0x06 || oid->indefinite)
        return {};
    std::string text;
    if (DerOidToText(ber.subspan(at, oid->headerSize + oid->length), text, 128) != 0)
        return {};
    return text;
}

}  // namespace orx
