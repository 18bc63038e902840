// An X.509 certificate as a flat record of element views into its data (or into
// the object's own internal area, where setters encode their fields), with the
// issuer and subject as name texts and the facts the rest of the program asks for.
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

// The subject's name text of an encoded certificate, without decoding the rest:
// a directory search may bring thousands of certificates of which only the
// subject is shown. False when the certificate cannot be read as far as its
// subject (each field up to it must carry its own tag).
bool DerCertificateSubjectText(DerBytes certificate, std::string& text);

class DerCertificate : public Der {
  public:
    DerCertificate() = default;
    ~DerCertificate() override;

    // Empties every field but the internal area and its used count.
    int Clear() override;
    int Decode(DerBytes bytes) override;
    int Encode(DerArea area, uint32_t* count) override;

    // Decodes the other object's encoded data.
    virtual int Assign(const Der& other);
    // 0 when both encoded data are the same bytes, else DER_FAILED.
    virtual int Equals(const Der& other) const;
    virtual int GetVersion(uint32_t* value) const;
    virtual int SetVersion(uint32_t value);
    // The decoded to-be-signed part, or one encoded from the fields.
    virtual int GetInfo(DerArea area, uint32_t* count);
    // One algorithm (with a NULL) for the info and the signature, and the signature.
    virtual int SetSignature(std::string_view algorithm, DerBytes signature);
    virtual int GetSignature(std::string& algorithm, size_t algorithmCapacity, DerArea signature,
                             uint32_t* signatureLength) const;
    // An area whose data() is nullptr only gives the length.
    virtual int GetPublicKey(DerArea modulus, uint32_t* modulusLength, DerArea exponent,
                             uint32_t* exponentLength) const;
    virtual int GetPublicKeyInfo(DerArea area, uint32_t* count) const;
    virtual int SetPublicKey(DerBytes modulus, DerBytes exponent);
    virtual int SetPublicKeyInfo(DerBytes element);
    virtual int PublicKeyEquals(DerBytes modulus, DerBytes exponent) const;
    // The serial number's content bytes as a big-endian value kept in 32 bits.
    virtual int GetSerialNumber(uint32_t* value) const;
    virtual int SetSerialNumber(uint32_t value);

    // The name element as name text, at most capacity - 1 bytes.
    virtual int GetNameText(int which, std::string& out, size_t capacity);
    // Encodes the name text into the internal area and points the name at it; the
    // previous name stays when that fails.
    virtual int SetNameText(int which, std::string_view text);
    virtual int MatchNameAny(int which, std::string_view patterns);
    virtual int MatchName(int which, std::string_view pattern);
    // 1 when both name elements have the same bytes.
    virtual int NameEquals(int which, const DerCertificate& other) const;

    // The contents of both time elements as text; 1, or 0 when either does not fit.
    virtual int GetValidity(std::string& notBefore, size_t notBeforeCapacity, std::string& notAfter,
                            size_t notAfterCapacity) const;
    // Both as UTCTime elements.
    virtual int SetValidity(std::string_view notBefore, std::string_view notAfter);
    // True when the extended key usage lists this dotted purpose.
    virtual bool HasExtendedKeyUsage(std::string_view text) const;

    virtual int FindNameAttribute(int which, std::string_view key, std::string& out,
                                  size_t capacity);
    // 1 when the display name is not empty.
    virtual int GetNameDisplayName(int which, std::string& out, size_t capacity);

    // 0 when an extension with this dotted text is present, else DER_FAILED.
    virtual int HasExtension(std::string_view text) const;
    virtual int GetExtensionAt(size_t index, const std::string** text, DerBytes* value) const;
    // The first extension with exactly this text; `value` may be nullptr.
    virtual int GetExtension(std::string_view text, DerBytes* value) const;
    // Sets the value element of the extension with this text (or of the first free
    // record); the critical flag stays as it was.
    virtual int SetExtension(std::string_view text, DerBytes value);
    // email: the subject's e-mail attribute, else the first rfc822Name of the
    // subject alternative name; otherwise the user principal name of its first
    // otherName. `out` is emptied first and cut to capacity - 1 bytes; 0 when a
    // value was found, else DER_FAILED.
    virtual int GetEmail(std::string& out, size_t capacity, bool email) const;

    // 0 when the CA flag is clear; else 1, or the self-issued flag when asked for.
    virtual int IsCA(bool requireSelfIssued) const;
    virtual bool IsExpired() const;
    // True when the extended key usage allows smart card logon.
    virtual bool HasSmartCardLogon() const;

    virtual int DecodeInfo(DerBytes element);
    virtual int EncodeInfo(DerArea area, uint32_t* count);
    virtual int DecodeSignatureAlgorithm(DerBytes element);
    virtual int EncodeSignatureAlgorithm(DerArea area, uint32_t* count);
    virtual int DecodeSignatureValue(DerBytes element);
    virtual int EncodeSignatureValue(DerArea area, uint32_t* count);

    // The fields of the info in order; a decoder sets `declined` for an element
    // that is not its field.
    virtual int DecodeVersion(DerBytes element, bool* declined);
    virtual int EncodeVersion(DerArea area, uint32_t* count);
    virtual int DecodeSerialNumber(DerBytes element, bool* declined);
    virtual int EncodeSerialNumber(DerArea area, uint32_t* count);
    virtual int DecodeAlgorithm(DerBytes element, bool* declined);
    virtual int EncodeAlgorithm(DerArea area, uint32_t* count);
    virtual int DecodeIssuer(DerBytes element, bool* declined);
    virtual int EncodeIssuer(DerArea area, uint32_t* count);
    virtual int DecodeValidity(DerBytes element, bool* declined);
    virtual int EncodeValidity(DerArea area, uint32_t* count);
    virtual int DecodeSubject(DerBytes element, bool* declined);
    virtual int EncodeSubject(DerArea area, uint32_t* count);
    virtual int DecodePublicKey(DerBytes element, bool* declined);
    virtual int EncodePublicKey(DerArea area, uint32_t* count);
    virtual int DecodeExtensions(DerBytes element, bool* declined);
    virtual int EncodeExtensions(DerArea area, uint32_t* count);
    virtual int DecodeExtension(DerBytes element, ExtensionRecord* record);
    virtual int EncodeExtension(const ExtensionRecord& record, DerArea area, uint32_t* count);

    virtual int DecodeText(DerBytes element, std::string& out, uint32_t* count);
    virtual int EncodeText(std::string_view text, DerArea area, uint32_t* count);

    DerBytes NameElement(int which) const { return which == kIssuer ? issuer_ : subject_; }
    // The name text made at decoding (or by SetNameText); nullopt before.
    const std::optional<std::string>& NameText(int which) const {
        return which == kIssuer ? issuerText_ : subjectText_;
    }
    DerBytes info() const { return info_; }
    const AlgorithmInfo& signatureAlgorithm() const { return signatureAlgorithm_; }
    const AlgorithmInfo& infoAlgorithm() const { return infoAlgorithm_; }
    DerBytes signatureValue() const { return signatureValue_; }
    DerBytes notBefore() const { return notBefore_; }
    DerBytes notAfter() const { return notAfter_; }
    DerBytes publicKeyInfo() const { return publicKeyInfo_; }
    DerBytes serialNumber() const { return serialNumber_; }
    const ExtensionRecord& extension(size_t index) const { return extensions_[index]; }
    bool versionPresent() const { return versionPresent_ != 0; }
    bool selfIssued() const { return selfIssued_ != 0; }
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
    // The name text of the element, as far as it could be made.
    std::optional<std::string> MakeNameText(DerBytes name, size_t capacity) const;
    void SetExpiredFlag();

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
