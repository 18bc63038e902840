// The attributes of one PKCS#11 object as the callers see them: values by type,
// some present but never handed out (a private key's secret parts), the matching
// of a search template and the copying out with PKCS#11's buffer rules.
#pragma once

#include <p11-kit/pkcs11.h>

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace orx::p11 {

class AttributeSet {
  public:
    AttributeSet() = default;
    ~AttributeSet();  // values of private objects are wiped
    AttributeSet(const AttributeSet&) = delete;
    AttributeSet& operator=(const AttributeSet&) = delete;
    AttributeSet(AttributeSet&&) = default;
    AttributeSet& operator=(AttributeSet&&) = default;

    void Put(CK_ATTRIBUTE_TYPE type, std::span<const uint8_t> value);
    void PutBool(CK_ATTRIBUTE_TYPE type, bool value);
    void PutUlong(CK_ATTRIBUTE_TYPE type, CK_ULONG value);
    void PutText(CK_ATTRIBUTE_TYPE type, std::string_view text);
    void PutUlongs(CK_ATTRIBUTE_TYPE type, std::span<const CK_ULONG> values);
    // Known to the object, but its value never leaves the module.
    void PutSensitive(CK_ATTRIBUTE_TYPE type);

    bool Has(CK_ATTRIBUTE_TYPE type) const { return Find(type) != nullptr; }
    std::span<const uint8_t> Value(CK_ATTRIBUTE_TYPE type) const;
    // Only a value of exactly the size of a CK_ULONG (or a CK_BBOOL) counts.
    bool Ulong(CK_ATTRIBUTE_TYPE type, CK_ULONG& value) const;
    bool Bool(CK_ATTRIBUTE_TYPE type) const;

    // Every attribute of the template is there with exactly that value; a
    // sensitive attribute never matches.
    bool Matches(std::span<const CK_ATTRIBUTE> wanted) const;
    // C_GetAttributeValue: every entry is answered; the result is CKR_OK or the
    // last of CKR_ATTRIBUTE_SENSITIVE, CKR_ATTRIBUTE_TYPE_INVALID and
    // CKR_BUFFER_TOO_SMALL met (each such entry's length becomes
    // CK_UNAVAILABLE_INFORMATION).
    CK_RV CopyOut(std::span<CK_ATTRIBUTE> wanted) const;
    // The bytes the values take, as C_GetObjectSize tells it.
    CK_ULONG Size() const;

  private:
    struct Attribute {
        CK_ATTRIBUTE_TYPE type = 0;
        std::vector<uint8_t> value;
        bool sensitive = false;
    };
    const Attribute* Find(CK_ATTRIBUTE_TYPE type) const;
    Attribute& Slot(CK_ATTRIBUTE_TYPE type);

    std::vector<Attribute> attributes_;
};

// A template as the caller passed it: null with a count is bad, null with none is empty.
bool TemplateSpan(CK_ATTRIBUTE_PTR pointer, CK_ULONG count, std::span<CK_ATTRIBUTE>& out);

}  // namespace orx::p11
