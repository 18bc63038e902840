// "Data" is taken over by the operation, not copied: a file of many megabytes is
// held as few times as the work needs.
#include "cms/file_operations.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include "cms/cms_engine.h"
#include "cms/cms_file_name.h"
#include "cms/pkcs12_costs.h"
#include "cms/pkcs12_import.h"
#include "core/base64.h"
#include "core/trace.h"
#include "objects/certificate_fields.h"
#include "objects/key_ahead.h"
#include "objects/object_operations.h"
#include "objects/token_access.h"
#include "prompts/password_prompt.h"
#include "prompts/prompt_source.h"
#include "propagation/certificate_propagation.h"
#include "properties/base64_text.h"
#include "properties/inputs.h"

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
    } else if (std::optional<std::vector<uint8_t>> bytes = Base64DecodeStrict(text)) {
        const unsigned char* p = bytes->data();
        cert.reset(d2i_X509(nullptr, &p, static_cast<long>(bytes->size())));
    }
    ERR_clear_error();
    if (!cert)
        return nullptr;
    der = OpenSslDer(cert.get(), i2d_X509);
    if (der.empty())
        return nullptr;
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

FileOperations::FileOperations(Inputs& inputs, TokenAccess& tokens, ObjectOperations& objects,
                               PromptSource& prompts, CertificatePropagation& propagation)
    : inputs_(inputs),
      tokens_(tokens),
      objects_(objects),
      prompts_(prompts),
      propagation_(propagation) {}

FileOperations::~FileOperations() = default;

CmsEngine& FileOperations::Cms() {
    if (!cms_)
        cms_ = std::make_unique<CmsEngine>();
    return *cms_;
}

const char* FileOperations::Answer(std::string_view name) const {
    if (answerName_.empty() || name != answerName_)
        return nullptr;
    return answer_.c_str();
}

void FileOperations::DropAnswer() {
    answerName_.clear();
    // Decrypted content may be secret; nothing of it stays behind in freed memory.
    if (!answer_.empty())
        OPENSSL_cleanse(answer_.data(), answer_.size());
    std::string().swap(answer_);
}

namespace {

// Takes "Data" out of the inputs (the operation consumes it).
bool TakeData(Inputs& inputs, CmsInput& input) {
    std::optional<std::string> value = inputs.Take("Data");
    return value && TakeDataInput(std::move(*value), input);
}

}  // namespace

X509Ptr FileOperations::InputCertificate(std::vector<uint8_t>& der) {
    std::string text = inputs_.Get("Certificate");
    if (!certificate_ || text != certificateText_) {
        certificate_ = ReadCertificate(text, certificateDer_);
        certificateText_ = certificate_ ? std::move(text) : std::string();
    }
    if (!certificate_ || X509_up_ref(certificate_.get()) != 1)
        return nullptr;
    der = certificateDer_;
    return X509Ptr(certificate_.get());
}

int FileOperations::Sign(int activeSlot) {
    Trace("Plg - Sign ...");
    DropAnswer();
    std::vector<uint8_t> der;
    X509Ptr cert = InputCertificate(der);
    CmsInput input;
    if (!cert || !TakeData(inputs_, input)) {
        Trace("Plg - Sign failed: no certificate or no data");
        return CKR_ARGUMENTS_BAD;
    }
    const auto noKey = [](int result) {
        if (result == CKR_ATTRIBUTE_VALUE_INVALID) {
            ERR_clear_error();
            Trace("Plg - Sign failed: the private key for the certificate cannot be read");
            return result;
        }
        if (result == CKR_TOKEN_NOT_PRESENT)
            result = CKR_KEY_HANDLE_INVALID;
        Trace("Plg - Sign failed: no private key for the certificate (%d)", result);
        return result;
    };
    int slotId = 0;
    PkeyPtr key;
    // A card's login runs while the content is hashed.
    std::shared_ptr<KeyAhead> ahead;
    int result = tokens_.KeyForSigning(der, cert.get(), activeSlot, slotId, key, ahead);
    if (result != CKR_OK)
        return noKey(result);
    CmsSignOptions options;
    options.detached = IsTrue(inputs_.Get("Detached"));
    options.mime = IsTrue(inputs_.Get("MIME"));
    result = Cms().Sign(input.bytes, cert.get(), key.get(), options, answer_);
    if (ahead) {
        // The login's failure (a cancelled dialog, a locked PIN) is the answer, not
        // the signature it left undone.
        const int found = ahead->Wait();
        if (found != CKR_OK) {
            DropAnswer();
            return noKey(found);
        }
    }
    if (result != CKR_OK) {
        Trace("Plg - Sign failed (%d)", result);
        return result;
    }
    answerName_ = "Signature";
    Trace("Plg - Sign ... done (slot %d%s%s)", slotId, options.detached ? ", detached" : "",
          options.mime ? ", S/MIME" : "");
    return CKR_OK;
}

int FileOperations::Verify() {
    Trace("Plg - Verify ...");
    DropAnswer();
    CmsInput input;
    if (!TakeData(inputs_, input)) {
        Trace("Plg - Verify failed: no data");
        return CKR_ARGUMENTS_BAD;
    }
    const int result = Cms().Verify(input, answer_);
    if (result != CKR_OK) {
        Trace("Plg - Verify failed (%d)", result);
        return result;
    }
    answerName_ = "Data";
    Trace("Plg - Verify ... done");
    return CKR_OK;
}

int FileOperations::Encrypt() {
    Trace("Plg - Encrypt ...");
    DropAnswer();
    std::vector<uint8_t> der;
    X509Ptr cert = InputCertificate(der);
    CmsInput input;
    if (!cert || !TakeData(inputs_, input)) {
        Trace("Plg - Encrypt failed: no certificate or no data");
        return CKR_ARGUMENTS_BAD;
    }
    std::string algorithm = inputs_.Get("Algorithm");
    if (algorithm.empty())
        algorithm = kDefaultAlgorithm;
    // By default an envelope is a plain one that every S/MIME reader opens.
    const std::string fileName = RecordFileNameConfigured() ? inputs_.Get("FileName") : "";
    const int result = Cms().Encrypt(input.bytes, cert.get(), algorithm, fileName,
                                     IsTrue(inputs_.Get("MIME")), answer_);
    if (result != CKR_OK) {
        Trace("Plg - Encrypt failed (%d)", result);
        return result;
    }
    answerName_ = "Data";
    Trace("Plg - Encrypt ... done (%s%s)", algorithm.c_str(),
          fileName.empty() ? "" : ", with the file's name");
    return CKR_OK;
}

int FileOperations::Decrypt(int activeSlot) {
    Trace("Plg - Decrypt ...");
    DropAnswer();
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
    tokens_.Rescan();
    result = CKR_KEY_HANDLE_INVALID;
    for (const TokenAccess::SlotCertificate& entry : tokens_.Certificates()) {
        X509Ptr cert = ParseDer(entry.certificate.value);
        if (!cert || !cms.EnvelopeIsFor(cert.get()))
            continue;
        int slotId = 0;
        PkeyPtr key;
        const int found =
            tokens_.PrivateKeyFor(entry.certificate.value, cert.get(), activeSlot, slotId, key);
        // That token holds the certificate without its key, or one that cannot be read.
        if (found == CKR_TOKEN_NOT_PRESENT || found == CKR_ATTRIBUTE_VALUE_INVALID) {
            ERR_clear_error();
            continue;
        }
        if (found != CKR_OK) {
            result = found;  // the login failed or was cancelled
            break;
        }
        result = cms.DecryptEnvelope(cert.get(), key.get(), answer_);
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
        inputs_.Erase("FileName");
    } else {
        inputs_.Set("FileName", cms.envelopeFileName());
    }
    cms.CloseEnvelope();
    answerName_ = "Data";
    Trace("Plg - Decrypt ... done");
    return CKR_OK;
}

std::optional<std::string> FileOperations::MessageCertificates() {
    CmsInput input;
    if (!TakeDataInput(std::string(inputs_.Get("Data")), input))
        return std::nullopt;
    CmsEngine& cms = Cms();
    std::string list;
    CmsInput copy{input.bytes, input.mime};
    if (cms.Certificates(copy, list) != CKR_OK)
        return std::nullopt;
    // An encrypted file carries no certificates: offer the user's own that can open it.
    if (list.empty() && cms.OpenEnvelope(input) == CKR_OK) {
        tokens_.Rescan();
        for (const TokenAccess::SlotCertificate& entry : tokens_.Certificates()) {
            X509Ptr cert = ParseDer(entry.certificate.value);
            if (cert && cms.EnvelopeIsFor(cert.get()))
                list += Base64Encode(entry.certificate.value) + ";";
        }
        cms.CloseEnvelope();
    }
    return list;
}

int FileOperations::ImportPkcs12(int slotId, std::span<const uint8_t> bytes) {
    Trace("Plg - WriteCertificate (PKCS#12) ...");
    // A soft token or a card application alike.
    TokenFile token;
    if (tokens_.ReadToken(slotId, token) != CKR_OK) {
        Trace("Plg - WriteCertificate failed: no token in slot %d", slotId);
        return CKR_TOKEN_NOT_PRESENT;
    }
    // What a crafted file could make every password try cost is refused before one.
    if (!Pkcs12CostsAcceptable(bytes)) {
        Trace("Plg - WriteCertificate failed: the PKCS#12 file asks for more than %d iterations",
              static_cast<int>(kMaxPkcs12Iterations));
        return CKR_ATTRIBUTE_VALUE_INVALID;
    }
    const std::unique_ptr<Pinentry> pinentry = prompts_.Open();
    const PinPrompt prompt = MakePrompt(
        "Soft Token", "Enter the password of the PKCS#12 file to import it.", "Password:");
    Pkcs12Content content;
    int result = AskPassword(*pinentry, prompt, [&](const Secret& password) -> int {
        content = Pkcs12Content();
        return OpenPkcs12(Cms().library(), bytes, password.view(), content);
    });
    if (result == CKR_OK) {
        // The key with its certificate and the chain in one write: a failure or a
        // cancelled login leaves the token as it was.
        std::vector<ObjectOperations::NewCertificate> certificates;
        if (!content.certificate.empty())
            certificates.push_back({content.certificate,
                                    LabelFor(content.certificate, content.label),
                                    content.pkcs8.span()});
        for (const std::vector<uint8_t>& der : content.chain)
            certificates.push_back({der, LabelFor(der, ""), {}});
        result = objects_.StoreCertificates(slotId, certificates);
    }
    if (ImportDone(result))
        Trace("Plg - WriteCertificate (PKCS#12) ... done (slot %d)", slotId);
    return result;
}

bool FileOperations::ImportContainer(int slotId, int& result) {
    const std::string text = inputs_.Get("Certificate");
    if (text.find("-----BEGIN CERTIFICATE") != std::string::npos)
        return false;
    std::vector<uint8_t> bytes;
    if (text.find("-----BEGIN") != std::string::npos) {
        bytes.assign(text.begin(), text.end());
    } else if (std::optional<std::vector<uint8_t>> decoded = Base64DecodeStrict(text)) {
        bytes = std::move(*decoded);
    } else {
        return false;
    }
    tokens_.Rescan();
    if (LooksLikePkcs12(bytes)) {
        result = ImportPkcs12(slotId, bytes);
        return true;
    }
    std::vector<std::vector<uint8_t>> certificates;
    if (!ReadPkcs7Certificates(Cms().library(), bytes, certificates))
        return false;
    Trace("Plg - WriteCertificate (PKCS#7) ...");
    std::vector<ObjectOperations::NewCertificate> entries;
    for (const std::vector<uint8_t>& der : certificates)
        entries.push_back({der, LabelFor(der, ""), {}});
    result =
        entries.empty() ? CKR_ATTRIBUTE_VALUE_INVALID : objects_.StoreCertificates(slotId, entries);
    if (ImportDone(result))
        Trace("Plg - WriteCertificate (PKCS#7) ... done (%zu certificates)", certificates.size());
    return true;
}

bool FileOperations::ImportDone(int result) {
    if (result != CKR_OK) {
        Trace("Plg - WriteCertificate failed (%d)", result);
        return false;
    }
    propagation_.Run();
    return true;
}

}  // namespace orx
