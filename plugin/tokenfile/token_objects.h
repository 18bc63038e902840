// What a token holds, seen as certificates, their private keys and data objects:
// finding and changing them in the object lists of a token file, and the locked
// read-modify-write that stores a change with the login's key.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "keys/secret.h"
#include "tokenfile/token_file.h"
#include "tokenfile/token_store.h"

namespace orx {

// Larger values are refused before anything is written: a token file must stay well
// below kMaxTokenFileSize with many objects in it.
inline constexpr size_t kMaxCertificateSize = 64u << 10;
inline constexpr size_t kMaxPrivateKeySize = 64u << 10;
inline constexpr size_t kMaxDataObjectSize = 256u << 10;

// The id shared by a certificate and its private key: the first 20 bytes of the
// SHA-256 of the certificate's DER, in lower-case hex.
std::string CertificateObjectId(std::span<const uint8_t> der);

// The certificate objects of a list, in stored order.
std::vector<const TokenObject*> CertificateObjects(const std::vector<TokenObject>& objects);
// The certificate object holding exactly these bytes, or nullptr.
const TokenObject* FindCertificateObject(const std::vector<TokenObject>& objects,
                                         std::span<const uint8_t> der);
// The private key (PKCS#8 DER) of the certificate with this id, or nullptr.
const TokenObject* FindPrivateKeyObject(const std::vector<TokenObject>& privateObjects,
                                        std::string_view certificateId);

// Puts the certificate into the public list and, when `pkcs8` is not empty, its
// private key into the private list. An equal certificate is replaced; it keeps
// the key it had unless a new one is given.
void PutCertificate(std::vector<TokenObject>& publicObjects,
                    std::vector<TokenObject>& privateObjects, std::span<const uint8_t> der,
                    std::string_view label, std::span<const uint8_t> pkcs8);
// Removes the certificate and its private key; false when it was not there.
bool RemoveCertificate(std::vector<TokenObject>& publicObjects,
                       std::vector<TokenObject>& privateObjects, std::span<const uint8_t> der);

// Data objects are known by label and application (the privacy picks the list).
const TokenObject* FindDataObject(const std::vector<TokenObject>& objects, std::string_view label,
                                  std::string_view application);
void PutDataObject(std::vector<TokenObject>& objects, std::string_view label,
                   std::string_view application, bool isPrivate, std::span<const uint8_t> value);

// Wipes the values (private keys, private data) and empties the list.
void WipeObjectList(std::vector<TokenObject>& objects);

// Under the folder lock: reads the token file again, opens its sealed part with the
// key, lets `edit` change both lists and writes the file back when `edit` answers
// CKR_OK. Answers CKR_OK, edit's answer, CKR_PIN_INCORRECT when the key no longer
// opens the file (its password was changed meanwhile), CKR_ATTRIBUTE_VALUE_INVALID,
// CKR_TOKEN_NOT_PRESENT when the file is gone, or CKR_FUNCTION_FAILED (also when the
// file would grow too big).
using ObjectEdit = std::function<int(std::vector<TokenObject>& publicObjects,
                                     std::vector<TokenObject>& privateObjects)>;
int EditTokenObjects(const TokenStore& store, std::string_view stem, const TokenKey& key,
                     const ObjectEdit& edit);

// Under the folder lock: reads the token file again, opens it with the old key and
// seals it for `password` under a new salt, so that what another process wrote since
// stays. CKR_OK with `newKey`; the reading's or the unsealing's answer
// (CKR_PIN_INCORRECT when the password was changed meanwhile); CKR_FUNCTION_FAILED.
int ChangeTokenPassword(const TokenStore& store, std::string_view stem, const TokenKey& oldKey,
                        std::string_view password, TokenKey& newKey);

// The change itself, wherever the token file is kept: opens the sealed part with the
// key, lets `edit` change both lists and serialises the file into `bytes` when `edit`
// answers CKR_OK. Answers CKR_OK, edit's answer, the unsealing's answer, or
// CKR_FUNCTION_FAILED (also when the file would grow beyond kMaxTokenFileSize). The
// private objects are wiped either way.
int EditSealedObjects(TokenFile& file, const TokenKey& key, const ObjectEdit& edit,
                      std::vector<uint8_t>& bytes);

}  // namespace orx
