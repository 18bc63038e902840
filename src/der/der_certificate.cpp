#include "der/der_certificate.h"

#include <algorithm>
#include <vector>

#include "core/text_fields.h"
#include "core/trace.h"
#include "der/der_name_match.h"
#include "der/der_name_text.h"
#include "der/der_result.h"

namespace orx {

DerCertificate::~DerCertificate() {
    DerCertificate::Clear();
}

int DerCertificate::Clear() {
    info_ = {};
    signatureAlgorithm_ = AlgorithmInfo{};
    signatureValue_ = {};
    version_ = 0;
    versionPresent_ = 0;
    infoAlgorithm_ = AlgorithmInfo{};
    notBefore_ = {};
    notAfter_ = {};
    publicKeyInfo_ = {};
    extensions_.fill(ExtensionRecord{});
    serialNumber_ = {};
    issuer_ = {};
    subject_ = {};
    ca_ = 0;
    selfIssued_ = 0;
    expired_ = 0;
    issuerText_.reset();
    subjectText_.reset();
    return Der::Clear();
}

DerBytes DerCertificate::CommitArea(uint32_t length) {
    const DerBytes written(area_.data() + areaUsed_, length);
    areaUsed_ += length;
    return written;
}

std::optional<std::string> DerCertificate::MakeNameText(DerBytes name, size_t capacity) const {
    std::string text;
    DerNameToText(name, text, capacity);
    return text;
}

int DerCertificate::GetNameText(int which, std::string& out, size_t capacity) {
    return DerNameToText(NameElement(which), out, capacity);
}

int DerCertificate::SetNameText(int which, std::string_view text) {
    std::vector<uint8_t> element;
    const int rc = DerTextToName(text, element);
    if (rc != DER_OK)
        return rc;
    if (element.size() > FreeArea().size()) {
        Trace("DerCertificate - Internal buffer too small");
        return DER_FAILED;
    }
    std::copy(element.begin(), element.end(), FreeArea().begin());
    NameView(which) = CommitArea(static_cast<uint32_t>(element.size()));
    // Matching and display work on the text, so it follows the element.
    // Values may grow in conversion to UTF-8 (three bytes for one at most).
    NameTextSlot(which) = MakeNameText(NameView(which), 3 * element.size() + 1);
    return DER_OK;
}

int DerCertificate::MatchNameAny(int which, std::string_view patterns) {
    const auto& text = NameText(which);
    return MatchNameTextAny(text ? *text : std::string_view(), patterns);
}

int DerCertificate::MatchName(int which, std::string_view pattern) {
    const auto& text = NameText(which);
    return MatchNameText(text ? *text : std::string_view(), pattern);
}

int DerCertificate::NameEquals(int which, const DerCertificate& other) const {
    const DerBytes mine = NameElement(which);
    const DerBytes theirs = other.NameElement(which);
    return std::equal(mine.begin(), mine.end(), theirs.begin(), theirs.end()) ? 1 : 0;
}

int DerCertificate::FindNameAttribute(int which, std::string_view key, std::string& out,
                                      size_t capacity) {
    const auto& text = NameText(which);
    return FindNameAttributeText(text ? *text : std::string_view(), key, out, capacity);
}

int DerCertificate::GetNameDisplayName(int which, std::string& out, size_t capacity) {
    const auto& text = NameText(which);
    return GetDisplayName(text ? *text : std::string_view(), out, capacity) ? 1 : 0;
}

int DerCertificate::DecodeText(DerBytes element, std::string& out, uint32_t* count) {
    return DecodeNameValue(element, out, count);
}

int DerCertificate::EncodeText(std::string_view text, DerArea area, uint32_t* count) {
    return EncodeNameValue(text, area, count);
}

}  // namespace orx
