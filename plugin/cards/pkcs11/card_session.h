// A session of a PKCS#11 module, and what the card back-end reads and writes
// through it: objects found by class, their attributes, and templates of new
// objects whose values (key parts, private data) are wiped when they end.
#pragma once

#include <p11-kit/pkcs11.h>

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace orx {

struct CardSession {
    CK_FUNCTION_LIST* functions = nullptr;
    CK_SESSION_HANDLE handle = CK_INVALID_HANDLE;
};

// The objects of one class that the token keeps (CKA_TOKEN true), in the module's
// order; with `id`, only those with that CKA_ID.
CK_RV FindObjects(const CardSession& session, CK_OBJECT_CLASS objectClass,
                  std::vector<CK_OBJECT_HANDLE>& found,
                  std::optional<std::span<const uint8_t>> id = std::nullopt,
                  CK_ATTRIBUTE_TYPE idType = CKA_ID);

// One attribute's value; none when the object has no such attribute or keeps it
// secret.
std::optional<std::vector<uint8_t>> ReadAttribute(const CardSession& session,
                                                  CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type);
std::optional<CK_ULONG> ReadUlong(const CardSession& session, CK_OBJECT_HANDLE object,
                                  CK_ATTRIBUTE_TYPE type);
bool ReadBool(const CardSession& session, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type);

// The attributes of an object to be made. The values live as long as the template
// and are wiped when it ends: some are the parts of a private key.
class AttributeTemplate {
  public:
    AttributeTemplate() = default;
    ~AttributeTemplate();
    AttributeTemplate(const AttributeTemplate&) = delete;
    AttributeTemplate& operator=(const AttributeTemplate&) = delete;

    void Add(CK_ATTRIBUTE_TYPE type, std::span<const uint8_t> value);
    void Add(CK_ATTRIBUTE_TYPE type, std::string_view text);
    void AddUlong(CK_ATTRIBUTE_TYPE type, CK_ULONG value);
    void AddBool(CK_ATTRIBUTE_TYPE type, bool value);

    CK_RV Create(const CardSession& session, CK_OBJECT_HANDLE& object);

  private:
    std::deque<std::vector<uint8_t>> values_;
    std::vector<CK_ATTRIBUTE> attributes_;
};

// PKCS#11 texts are blank-padded fixed fields.
std::string FixedText(const unsigned char* text, size_t size);

}  // namespace orx
