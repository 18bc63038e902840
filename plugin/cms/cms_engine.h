// The PKCS#7 (CMS) work of the file operations over bytes and OpenSSL objects:
// signing, verifying, encrypting, decrypting and listing the certificates of a
// message. Answers are the module's texts: Base64 of binary results, S/MIME text
// as it is. Inputs of many megabytes are taken over and freed as soon as they are
// used, so that a file is never held more often than the work needs.
#pragma once

#include <openssl/types.h>

#include <span>
#include <string>
#include <string_view>

#include "cms/cms_library.h"
#include "cms/cms_sink.h"
#include "cms/cms_text.h"
#include "results/module_results.h"

namespace orx {

struct CmsSignOptions {
    bool detached = false;
    bool mime = false;
};

class CmsEngine {
  public:
    CmsEngine() = default;
    const CmsLibrary& library() const { return library_; }

    // `content` is consumed. Binary answers are Base64 of the DER, S/MIME answers
    // the message text: opaque when attached (the exact bytes), multipart/signed when
    // detached (the content as text with CRLF line ends, as S/MIME signs it).
    int Sign(std::string& content, X509* cert, EVP_PKEY* key, CmsSignOptions options,
             std::string& answer);

    // Attached binary signatures and S/MIME (opaque or clear-signed with its
    // content); the signer certificate inside is used as it is, without a chain.
    // Answers the content as Base64.
    int Verify(CmsInput& input, std::string& answer);

    // `content` is consumed; `fileName` (a base name, may be empty) is recorded
    // outside of the encrypted content.
    int Encrypt(std::string& content, X509* recipient, std::string_view algorithmOid,
                std::string_view fileName, bool mime, std::string& answer);

    // The certificates of a message, each Base64 DER followed by ";" (nothing for a
    // message without certificates); CKR_ATTRIBUTE_VALUE_INVALID for what is no PKCS#7 at all.
    int Certificates(CmsInput& input, std::string& answer);

    // Decryption in steps, so that the caller can look for a key between them.
    int OpenEnvelope(CmsInput& input);
    bool EnvelopeIsFor(X509* cert) const;
    int DecryptEnvelope(X509* cert, EVP_PKEY* key, std::string& answer);
    const std::string& envelopeFileName() const { return fileName_; }
    void CloseEnvelope();

  private:
    CmsPtr Parse(CmsInput& input, BioPtr* content);
    static CmsPtr ParseDer(std::span<const uint8_t> der, OSSL_LIB_CTX* context);

    CmsLibrary library_;
    StringSink sink_;
    CmsPtr envelope_;
    std::string fileName_;
};

}  // namespace orx
