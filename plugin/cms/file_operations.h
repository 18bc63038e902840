// The file operations "Sign", "Verify", "Encrypt", "Decrypt", the certificates of a
// message, and the import of PKCS#12 and PKCS#7 files by "WriteCertificate": the
// inputs come from the properties, the keys from the user's tokens (logging a token
// in through pinentry when its key is needed), and the CMS work is the engine's. A
// result is answered from here under its name ("Signature", "Data") without a
// further copy.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cms/cms_library.h"

namespace orx {

class CertificatePropagation;
class CmsEngine;
class Inputs;
class ObjectOperations;
class PromptSource;
class TokenAccess;

class FileOperations {
  public:
    FileOperations(Inputs& inputs, TokenAccess& tokens, ObjectOperations& objects,
                   PromptSource& prompts, CertificatePropagation& propagation);
    ~FileOperations();
    FileOperations(const FileOperations&) = delete;
    FileOperations& operator=(const FileOperations&) = delete;

    // The key's token is looked for from `activeSlot` on.
    int Sign(int activeSlot);
    int Verify();
    int Encrypt();
    int Decrypt(int activeSlot);
    // Imports a PKCS#12 or certificates-only PKCS#7 "Certificate" onto the slot's
    // token (a soft token or a card application); false when it is neither, for the
    // plain certificate import to handle.
    bool ImportContainer(int slotId, int& result);
    // The certificates of the message in "Data", each Base64 DER followed by ";".
    std::optional<std::string> MessageCertificates();

    // The result of the last operation when `name` is its name, else null.
    const char* Answer(std::string_view name) const;
    // Setting the property a result is answered under lets the result go.
    bool Answers(std::string_view name) const { return name == answerName_; }
    void DropAnswer();

  private:
    CmsEngine& Cms();
    // The "Certificate" input decoded, with its DER; none when it is no certificate.
    // The last one is kept: a program that signs one file after another names the
    // same certificate each time, and decoding its key is a good part of the cost of
    // a small signature.
    X509Ptr InputCertificate(std::vector<uint8_t>& der);
    // The end of a certificate import: a failure traced, a success propagated; true
    // for a success.
    bool ImportDone(int result);
    // The key with its certificate and chain, or nothing.
    int ImportPkcs12(int slotId, std::span<const uint8_t> bytes);

    Inputs& inputs_;
    TokenAccess& tokens_;
    ObjectOperations& objects_;
    PromptSource& prompts_;
    CertificatePropagation& propagation_;
    std::unique_ptr<CmsEngine> cms_;
    std::string certificateText_;
    std::vector<uint8_t> certificateDer_;
    X509Ptr certificate_;
    std::string answerName_;
    std::string answer_;
};

}  // namespace orx
