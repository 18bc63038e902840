// The certificates and data objects on the tokens: "WriteCertificate",
// "DeleteCertificate" and "UpdateObject" on a slot's token, and the lists
// "CertificateEx", "Certificate" and "Object". A write needs the token's key (the
// public objects are authenticated together with the sealed part), so it asks for
// the password when the token is not logged in.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orx {

class CertificatePropagation;
class Inputs;
class TokenAccess;

class ObjectOperations {
  public:
    ObjectOperations(TokenAccess& tokens, CertificatePropagation& propagation)
        : tokens_(tokens), propagation_(propagation) {}

    // "Certificate" (Base64 DER, Base64 text, PEM) onto the slot's token.
    int WriteCertificate(int slot, const Inputs& inputs);
    int DeleteCertificate(int slot, const Inputs& inputs);
    // Stores the certificate (and its PKCS#8 key when not empty) on the slot's token,
    // logging it in when needed; an equal certificate is replaced.
    int StoreCertificate(int slot, std::span<const uint8_t> der, std::string_view label,
                         std::span<const uint8_t> pkcs8);
    struct NewCertificate {
        std::span<const uint8_t> der;
        std::string label;
        std::span<const uint8_t> pkcs8;  // may be empty
    };
    // Several certificates in one write: all of them are stored, or none.
    int StoreCertificates(int slot, std::span<const NewCertificate> certificates);
    // "CKA_VALUE" as the data object that the CKA_* inputs describe.
    int UpdateObject(int slot, const Inputs& inputs);

    // The lists are made whole at index 0 and handed out from there, so that a long
    // list costs one pass.
    std::optional<std::string> CertificateExEntry(int index);
    std::optional<std::string> CertificateEntry(int index, const Inputs& inputs);
    // Entry 0 only: the data object the CKA_* inputs describe, "application;Base64".
    std::optional<std::string> ObjectEntry(int slot, int index, const Inputs& inputs);

  private:
    void ForgetLists();

    TokenAccess& tokens_;
    CertificatePropagation& propagation_;
    std::vector<std::string> certificateExList_;
    std::vector<std::string> certificateList_;
};

}  // namespace orx
