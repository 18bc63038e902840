// "Sign", "Verify", "Encrypt", "Decrypt" and the import of PKCS#12 and PKCS#7
// files: the inputs are taken from the properties, the keys from the user's tokens
// (logging a token in through pinentry when its key is needed), and the CMS work is
// done by the engine. "Data" is taken over by the operation, not copied: a file of
// many megabytes is held as few times as the work needs.
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include "cms/cms_engine.h"
#include "cms/cms_file_name.h"
#include "cms/pkcs12_import.h"
#include "core/product_identity.h"
#include "core/trace.h"
#include "module_context.h"
#include "objects/certificate_fields.h"
#include "prompts/password_prompt.h"
#include "properties/base64_text.h"

namespace orx {

namespace {

// What the wizard preselects when nothing is chosen.
constexpr std::string_view kDefaultAlgorithm = "1.2.840.113549.3.7";

// A certificate input: Base64 DER or PEM text. Fills the DER as well.
X509Ptr ReadCertificate(const std::string& text, std::vector<uint8_t>& der) {
    X509Ptr cert;
    if (text.find("-----BEGIN") != std::string::npos) {
        BioPtr in(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
        cert.reset(in ? PEM_read_bio_X509(in.get(), nullptr, nullptr, nullptr) : nullptr);
    } else if (std::optional<std::vector<uint8_t>> bytes = DecodeBase64(text)) {
        const unsigned char* p = bytes->data();
        cert.reset(d2i_X509(nullptr, &p, static_cast<long>(bytes->size())));
    }
    ERR_clear_error();
    if (!cert)
        return nullptr;
    unsigned char* out = nullptr;
    const int n = i2d_X509(cert.get(), &out);
    if (n <= 0)
        return nullptr;
    der.assign(out, out + n);
    OPENSSL_free(out);
    return cert;
}

// A certificate's label on the token: the file's friendly name, else as a plain
// certificate import names it.
std::string LabelFor(std::span<const uint8_t> der, const std::string& friendlyName) {
    if (!friendlyName.empty())
        return friendlyName;
    CertificateFields fields;
    ReadCertificateFields(der, fields);
    return fields.subjectDisplay;
}

X509Ptr ParseDer(std::span<const uint8_t> der) {
    const unsigned char* p = der.data();
    return X509Ptr(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
}

}  // namespace

CmsEngine& ModuleContext::Cms() {
    if (!cms_)
        cms_ = std::make_unique<CmsEngine>();
    return *cms_;
}

const char* ModuleContext::CmsAnswer(std::string_view name) const {
    if (cmsAnswerName_.empty() || name != cmsAnswerName_)
        return nullptr;
    return cmsAnswer_.c_str();
}

void ModuleContext::DropCmsAnswer() {
    cmsAnswerName_.clear();
    // Decrypted content may be secret; nothing of it stays behind in freed memory.
    if (!cmsAnswer_.empty())
        OPENSSL_cleanse(cmsAnswer_.data(), cmsAnswer_.size());
    std::string().swap(cmsAnswer_);
}

namespace {

// Takes "Data" out of the inputs (the operation consumes it).
bool TakeData(std::map<std::string, std::string, std::less<>>& inputs, CmsInput& input) {
    auto it = inputs.find("Data");
    if (it == inputs.end() || it->second.empty())
        return false;
    std::string value = std::move(it->second);
    inputs.erase(it);
    return TakeDataInput(std::move(value), input);
}

}  // namespace

int ModuleContext::Sign() {
    Trace("Plg - Sign ...");
    DropCmsAnswer();
    std::vector<uint8_t> der;
    X509Ptr cert = ReadCertificate(Input("Certificate"), der);
    CmsInput input;
    if (!cert || !TakeData(inputs_, input)) {
        Trace("Plg - Sign failed: no certificate or no data");
        return CKR_ARGUMENTS_BAD;
    }
    int slotId = 0;
    Secret pkcs8;
    int result = PrivateKeyFor(der, slotId, pkcs8);
    if (result != CKR_OK) {
        if (result == CKR_TOKEN_NOT_PRESENT)
            result = CKR_KEY_HANDLE_INVALID;
        Trace("Plg - Sign failed: no private key for the certificate (%d)", result);
        return result;
    }
    PkeyPtr key = PrivateKeyFromPkcs8(pkcs8.span());
    pkcs8.Wipe();
    if (!key) {
        ERR_clear_error();
        Trace("Plg - Sign failed: the private key of slot %d cannot be read", slotId);
        return CKR_ATTRIBUTE_VALUE_INVALID;
    }
    CmsSignOptions options;
    options.detached = IsTrue(Input("Detached"));
    options.mime = IsTrue(Input("MIME"));
    result = Cms().Sign(input.bytes, cert.get(), key.get(), options, cmsAnswer_);
    if (result != CKR_OK) {
        Trace("Plg - Sign failed (%d)", result);
        return result;
    }
    cmsAnswerName_ = "Signature";
    Trace("Plg - Sign ... done (slot %d%s%s)", slotId, options.detached ? ", detached" : "",
          options.mime ? ", S/MIME" : "");
    return CKR_OK;
}

int ModuleContext::Verify() {
    Trace("Plg - Verify ...");
    DropCmsAnswer();
    CmsInput input;
    if (!TakeData(inputs_, input)) {
        Trace("Plg - Verify failed: no data");
        return CKR_ARGUMENTS_BAD;
    }
    const int result = Cms().Verify(input, cmsAnswer_);
    if (result != CKR_OK) {
        Trace("Plg - Verify failed (%d)", result);
        return result;
    }
    cmsAnswerName_ = "Data";
    Trace("Plg - Verify ... done");
    return CKR_OK;
}

int ModuleContext::Encrypt() {
    Trace("Plg - Encrypt ...");
    DropCmsAnswer();
    std::vector<uint8_t> der;
    X509Ptr cert = ReadCertificate(Input("Certificate"), der);
    CmsInput input;
    if (!cert || !TakeData(inputs_, input)) {
        Trace("Plg - Encrypt failed: no certificate or no data");
        return CKR_ARGUMENTS_BAD;
    }
    std::string algorithm = Input("Algorithm");
    if (algorithm.empty())
        algorithm = kDefaultAlgorithm;
    const int result = Cms().Encrypt(input.bytes, cert.get(), algorithm, Input("FileName"),
                                     IsTrue(Input("MIME")), cmsAnswer_);
    if (result != CKR_OK) {
        Trace("Plg - Encrypt failed (%d)", result);
        return result;
    }
    cmsAnswerName_ = "Data";
    Trace("Plg - Encrypt ... done (%s)", algorithm.c_str());
    return CKR_OK;
}

int ModuleContext::Decrypt() {
    Trace("Plg - Decrypt ...");
    DropCmsAnswer();
    CmsInput input;
    if (!TakeData(inputs_, input)) {
        Trace("Plg - Decrypt failed: no data");
        return CKR_ARGUMENTS_BAD;
    }
    CmsEngine& cms = Cms();
    int result = cms.OpenEnvelope(input);
    if (result != CKR_OK) {
        Trace("Plg - Decrypt failed (%d)", result);
        return result;
    }
    slots_.Scan();
    result = CKR_KEY_HANDLE_INVALID;
    for (const SlotCertificate& entry : TokenCertificates()) {
        X509Ptr cert = ParseDer(entry.certificate.value);
        if (!cert || !cms.EnvelopeIsFor(cert.get()))
            continue;
        int slotId = 0;
        Secret pkcs8;
        const int found = PrivateKeyFor(entry.certificate.value, slotId, pkcs8);
        if (found == CKR_TOKEN_NOT_PRESENT)
            continue;  // that token holds the certificate without its key
        if (found != CKR_OK) {
            result = found;  // the login failed or was cancelled
            break;
        }
        PkeyPtr key = PrivateKeyFromPkcs8(pkcs8.span());
        pkcs8.Wipe();
        if (!key)
            continue;
        result = cms.DecryptEnvelope(cert.get(), key.get(), cmsAnswer_);
        if (result == CKR_OK)
            break;
    }
    if (result != CKR_OK) {
        cms.CloseEnvelope();
        Trace("Plg - Decrypt failed (%d)", result);
        return result;
    }
    // The recorded name replaces the input's, or no name is answered at all.
    if (cms.envelopeFileName().empty()) {
        inputs_.erase("FileName");
    } else {
        inputs_["FileName"] = cms.envelopeFileName();
    }
    cms.CloseEnvelope();
    cmsAnswerName_ = "Data";
    Trace("Plg - Decrypt ... done");
    return CKR_OK;
}

std::optional<std::string> ModuleContext::MessageCertificates() {
    CmsInput input;
    if (!TakeDataInput(std::string(Input("Data")), input))
        return std::nullopt;
    CmsEngine& cms = Cms();
    std::string list;
    CmsInput copy{input.bytes, input.mime};
    if (cms.Certificates(copy, list) != CKR_OK)
        return std::nullopt;
    // An encrypted file carries no certificates: offer the user's own that can open it.
    if (list.empty() && cms.OpenEnvelope(input) == CKR_OK) {
        slots_.Scan();
        for (const SlotCertificate& entry : TokenCertificates()) {
            X509Ptr cert = ParseDer(entry.certificate.value);
            if (cert && cms.EnvelopeIsFor(cert.get()))
                list += EncodeBase64(entry.certificate.value) + ";";
        }
        cms.CloseEnvelope();
    }
    return list;
}

bool ModuleContext::ImportCertificateContainer(int& result) {
    const std::string text = Input("Certificate");
    if (text.find("-----BEGIN CERTIFICATE") != std::string::npos)
        return false;
    std::vector<uint8_t> bytes;
    if (text.find("-----BEGIN") != std::string::npos) {
        bytes.assign(text.begin(), text.end());
    } else if (std::optional<std::vector<uint8_t>> decoded = DecodeBase64(text)) {
        bytes = std::move(*decoded);
    } else {
        return false;
    }
    slots_.Scan();
    const int slotId = activeSlot_;
    if (LooksLikePkcs12(bytes)) {
        Trace("Plg - WriteCertificate (PKCS#12) ...");
        if (!slots_.Find(slotId)) {
            result = CKR_TOKEN_NOT_PRESENT;
            Trace("Plg - WriteCertificate failed: no token in slot %d", slotId);
            return true;
        }
        Pinentry pinentry(ChoosePinentry(pinentryProgram_), parent_);
        PinPrompt prompt;
        prompt.title = GetProductName() + " Soft Token";
        prompt.description = "Enter the password of the PKCS#12 file to import it.";
        prompt.prompt = "Password:";
        Pkcs12Content content;
        result = AskPassword(pinentry, prompt, [&](const Secret& password) -> int {
            content = Pkcs12Content();
            return OpenPkcs12(Cms().library(), bytes, password.view(), content);
        });
        if (result == CKR_OK) {
            if (!content.certificate.empty())
                result = StoreCertificate(slotId, content.certificate,
                                          LabelFor(content.certificate, content.label),
                                          content.pkcs8.span());
            for (const std::vector<uint8_t>& der : content.chain) {
                if (result != CKR_OK)
                    break;
                result = StoreCertificate(slotId, der, LabelFor(der, ""), {});
            }
        }
        if (result != CKR_OK) {
            Trace("Plg - WriteCertificate failed (%d)", result);
        } else {
            PropagateCertificates();
            Trace("Plg - WriteCertificate (PKCS#12) ... done (slot %d)", slotId);
        }
        return true;
    }
    std::vector<std::vector<uint8_t>> certificates;
    if (!ReadPkcs7Certificates(Cms().library(), bytes, certificates))
        return false;
    Trace("Plg - WriteCertificate (PKCS#7) ...");
    result = certificates.empty() ? CKR_ATTRIBUTE_VALUE_INVALID : CKR_OK;
    for (const std::vector<uint8_t>& der : certificates) {
        if (result != CKR_OK)
            break;
        result = StoreCertificate(slotId, der, LabelFor(der, ""), {});
    }
    if (result != CKR_OK) {
        Trace("Plg - WriteCertificate failed (%d)", result);
    } else {
        PropagateCertificates();
        Trace("Plg - WriteCertificate (PKCS#7) ... done (%zu certificates)", certificates.size());
    }
    return true;
}

}  // namespace orx
