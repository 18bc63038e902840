// An X.509 certificate as a flat record of element views into its data (or into
// the object's own internal area, where setters encode their fields), with the
// issuer and subject as name texts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "der/der.h"
#include "der/der_algorithm.h"

namespace orx {

inline constexpr size_t kMaxExtensions = 32;
inline constexpr size_t kCertificateAreaSize = 1024;

// Selects a name: any value other than kIssuer means the subject.
inline constexpr int kIssuer = 0;
inline constexpr int kSubject = 1;

struct ExtensionRecord {
    DerBytes oid;      // the OBJECT IDENTIFIER element
    std::string text;  // dotted; empty for an unused record
    bool critical = false;
    DerBytes value;  // the OCTET STRING element with its header
};

class DerCertificate : public Der {
  public:
    DerCertificate() = default;
    ~DerCertificate() override;

    // Empties every field but the internal area and its used count.
    int Clear() override;

    // The name element as name text, at most capacity - 1 bytes.
    virtual int GetNameText(int which, std::string& out, size_t capacity);
    // Encodes the name text into the internal area and points the name at it; the
    // previous name stays when that fails.
    virtual int SetNameText(int which, std::string_view text);
    virtual int MatchNameAny(int which, std::string_view patterns);
    virtual int MatchName(int which, std::string_view pattern);
    // 1 when both name elements have the same bytes.
    virtual int NameEquals(int which, const DerCertificate& other) const;
    virtual int FindNameAttribute(int which, std::string_view key, std::string& out,
                                  size_t capacity);
    // 1 when the display name is not empty.
    virtual int GetNameDisplayName(int which, std::string& out, size_t capacity);
    virtual int DecodeText(DerBytes element, std::string& out, uint32_t* count);
    virtual int EncodeText(std::string_view text, DerArea area, uint32_t* count);

    DerBytes NameElement(int which) const { return which == kIssuer ? issuer_ : subject_; }
    // The name text made at decoding (or by SetNameText); nullopt before.
    const std::optional<std::string>& NameText(int which) const {
        return which == kIssuer ? issuerText_ : subjectText_;
    }
    uint32_t AreaUsed() const { return areaUsed_; }

  protected:
    DerBytes& NameView(int which) { return which == kIssuer ? issuer_ : subject_; }
    std::optional<std::string>& NameTextSlot(int which) {
        return which == kIssuer ? issuerText_ : subjectText_;
    }
    // The free part of the internal area.
    DerArea FreeArea() { return DerArea(area_).subspan(areaUsed_); }
    // Takes `length` bytes written at the start of FreeArea() into the used part.
    DerBytes CommitArea(uint32_t length);
    // The name text of the element, empty text on failure as far as it got.
    std::optional<std::string> MakeNameText(DerBytes name) const;

    DerBytes info_;
    AlgorithmInfo signatureAlgorithm_;
    DerBytes signatureValue_;
    uint32_t version_ = 0;
    uint32_t versionPresent_ = 0;
    AlgorithmInfo infoAlgorithm_;
    DerBytes notBefore_;
    DerBytes notAfter_;
    DerBytes publicKeyInfo_;
    std::array<ExtensionRecord, kMaxExtensions> extensions_{};
    DerBytes serialNumber_;
    DerBytes issuer_;
    DerBytes subject_;
    uint32_t ca_ = 0;
    uint32_t selfIssued_ = 0;
    uint32_t expired_ = 0;
    std::optional<std::string> issuerText_;
    std::optional<std::string> subjectText_;
    // Setters encode here; never compacted, and Clear leaves it alone.
    std::array<uint8_t, kCertificateAreaSize> area_{};
    uint32_t areaUsed_ = 0;
};

}  // namespace orx
