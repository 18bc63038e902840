#include "cms/cms_engine.h"

#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/x509.h>

#include <climits>
#include <vector>

#include "cms/cms_file_name.h"
#include "core/trace.h"

namespace orx {

namespace {

struct CertStackFree {
    void operator()(STACK_OF(X509) * certs) const { sk_X509_pop_free(certs, X509_free); }
};
using CertStack = std::unique_ptr<STACK_OF(X509), CertStackFree>;

void Release(std::string& text) {
    std::string().swap(text);
}

BioPtr ReadOnlyBio(const std::string& bytes) {
    return BioPtr(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
}

size_t Base64Size(size_t bytes) {
    return 4 * ((bytes + 2) / 3) + 8;
}

// Room for a streamed structure around `content` bytes: streaming cuts the content
// into chunks of a few kilobytes, each with a header of its own. Reserving more
// than is written costs nothing (untouched pages are never mapped), while growing
// the answer later would hold the old and the new copy at once.
size_t StreamedSize(size_t content) {
    return content + content / 64 + 65536;
}

// OpenSSL's reason for a failure, for the trace.
std::string LastError() {
    const unsigned long code = ERR_peek_last_error();
    char text[256] = "no detail";
    if (code != 0)
        ERR_error_string_n(code, text, sizeof text);
    ERR_clear_error();
    return text;
}

constexpr std::string_view kEnvelopedHeader =
    "MIME-Version: 1.0\n"
    "Content-Disposition: attachment; filename=\"smime.p7m\"\n"
    "Content-Type: application/pkcs7-mime; smime-type=enveloped-data; name=\"smime.p7m\"\n"
    "Content-Transfer-Encoding: base64\n\n";

}  // namespace

CmsPtr CmsEngine::Parse(CmsInput& input, BioPtr* content) {
    if (!input.mime)
        return ParseDer(AsBytes(input.bytes), library_.get());
    CMS_ContentInfo* cms = CMS_ContentInfo_new_ex(library_.get(), nullptr);
    BioPtr in = ReadOnlyBio(input.bytes);
    BIO* detached = nullptr;
    if (!cms || !in || !SMIME_read_CMS_ex(in.get(), 0, &detached, &cms)) {
        Trace("Plg - The S/MIME message cannot be read: %s", LastError().c_str());
        CMS_ContentInfo_free(cms);
        return nullptr;
    }
    BioPtr owned(detached);
    if (content)
        *content = std::move(owned);
    return CmsPtr(cms);
}

CmsPtr CmsEngine::ParseDer(std::span<const uint8_t> der, OSSL_LIB_CTX* context) {
    CMS_ContentInfo* cms = CMS_ContentInfo_new_ex(context, nullptr);
    if (!cms)
        return nullptr;
    const unsigned char* p = der.data();
    if (der.size() > static_cast<size_t>(LONG_MAX) ||
        !d2i_CMS_ContentInfo(&cms, &p, static_cast<long>(der.size()))) {
        // A failed decoding has freed the object already.
        Trace("Plg - The PKCS#7 content cannot be read: %s", LastError().c_str());
        return nullptr;
    }
    return CmsPtr(cms);
}

int CmsEngine::Sign(std::string& content, X509* cert, EVP_PKEY* key, CmsSignOptions options,
                    std::string& answer) {
    answer.clear();
    BioPtr in = ReadOnlyBio(content);
    // A clear-signed S/MIME message carries its content as MIME text, whose line
    // ends every reader rewrites to CRLF: that form is what is signed. Everything
    // else signs the bytes exactly.
    unsigned int flags = options.mime && options.detached ? 0 : CMS_BINARY;
    if (options.detached)
        flags |= CMS_DETACHED;
    // Streaming writes the content straight from the input into the answer; a
    // detached binary signature only needs the digest, so it is made at once.
    if (options.mime || !options.detached)
        flags |= CMS_STREAM;
    CmsPtr cms(in ? CMS_sign_ex(cert, key, nullptr, in.get(), flags, library_.get(), nullptr)
                  : nullptr);
    if (!cms) {
        Trace("Plg - Sign failed: %s", LastError().c_str());
        Release(content);
        return CKR_FUNCTION_FAILED;
    }
    const size_t estimate = StreamedSize(options.detached ? 0 : content.size());
    // S/MIME: Base64 in lines when attached; the content as text (CRLF line ends, at
    // most twice as long) beside the signature when detached.
    answer.reserve(options.mime ? estimate * 140 / 100 + (options.detached ? 2 * content.size() : 0)
                                : Base64Size(estimate));
    BioPtr out = sink_.Open(answer, !options.mime);
    int ok = 0;
    if (out) {
        if (options.mime) {
            ok = SMIME_write_CMS(out.get(), cms.get(), in.get(), static_cast<int>(flags));
        } else if (flags & CMS_STREAM) {
            ok = i2d_CMS_bio_stream(out.get(), cms.get(), in.get(), static_cast<int>(flags));
        } else {
            ok = i2d_CMS_bio(out.get(), cms.get());
        }
        StringSink::Finish(out.get());
    }
    Release(content);
    if (ok != 1) {
        Trace("Plg - Sign failed: %s", LastError().c_str());
        Release(answer);
        return CKR_FUNCTION_FAILED;
    }
    return CKR_OK;
}

int CmsEngine::Verify(CmsInput& input, std::string& answer) {
    answer.clear();
    BioPtr detached;
    CmsPtr cms = Parse(input, &detached);
    Release(input.bytes);
    if (!cms)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    if (OBJ_obj2nid(CMS_get0_type(cms.get())) != NID_pkcs7_signed) {
        Trace("Plg - Verify failed: the content is not signed data");
        return CKR_ATTRIBUTE_VALUE_INVALID;
    }
    ASN1_OCTET_STRING** inner = CMS_get0_content(cms.get());
    if (!detached && (!inner || !*inner)) {
        Trace("Plg - Verify failed: the signature carries no content");
        return CKR_ATTRIBUTE_VALUE_INVALID;
    }
    if (inner && *inner)
        answer.reserve(Base64Size(static_cast<size_t>(ASN1_STRING_length(*inner))));
    BioPtr out = sink_.Open(answer, true);
    const int ok = out ? CMS_verify(cms.get(), nullptr, nullptr, detached.get(), out.get(),
                                    CMS_NO_SIGNER_CERT_VERIFY | CMS_BINARY)
                       : 0;
    if (out)
        StringSink::Finish(out.get());
    if (ok != 1) {
        Trace("Plg - Verify failed: %s", LastError().c_str());
        Release(answer);
        return CKR_SIGNATURE_INVALID;
    }
    return CKR_OK;
}

int CmsEngine::Encrypt(std::string& content, X509* recipient, std::string_view algorithmOid,
                       std::string_view fileName, bool mime, std::string& answer) {
    answer.clear();
    const CmsLibrary::Cipher chosen = library_.CipherFor(algorithmOid);
    EVP_CIPHER* cipher = chosen.cipher.get();
    if (!cipher) {
        Trace("Plg - Encrypt failed: the algorithm %.*s is not available",
              static_cast<int>(algorithmOid.size()), algorithmOid.data());
        Release(content);
        return CKR_MECHANISM_INVALID;
    }
    CertStack certs(sk_X509_new_null());
    if (!certs || !sk_X509_push(certs.get(), recipient)) {
        Release(content);
        return CKR_FUNCTION_FAILED;
    }
    X509_up_ref(recipient);
    BioPtr in = ReadOnlyBio(content);
    const unsigned int flags = CMS_BINARY | CMS_STREAM;
    CmsPtr cms(in ? CMS_encrypt_ex(certs.get(), in.get(), cipher, flags, chosen.context, nullptr)
                  : nullptr);
    std::string ber;
    int ok = 0;
    if (cms) {
        ber.reserve(StreamedSize(content.size()));
        BioPtr out = sink_.Open(ber, false);
        ok = out ? i2d_CMS_bio_stream(out.get(), cms.get(), in.get(), static_cast<int>(flags)) : 0;
    }
    Release(content);
    if (ok != 1) {
        Trace("Plg - Encrypt failed: %s", LastError().c_str());
        return CKR_FUNCTION_FAILED;
    }
    const std::string name = SafeBaseName(fileName);
    std::string attributes;
    size_t offset = ber.size();
    if (!name.empty()) {
        std::span<uint8_t> bytes(reinterpret_cast<uint8_t*>(ber.data()), ber.size());
        if (!PrepareForAttributes(bytes, offset)) {
            Trace("Plg - Encrypt failed: the envelope has an unexpected form");
            return CKR_FUNCTION_FAILED;
        }
        attributes = FileNameAttributes(name);
    }
    const std::string_view all(ber);
    const size_t total = ber.size() + attributes.size();
    if (mime) {
        answer.reserve(kEnvelopedHeader.size() + Base64Size(total) * 65 / 64 + 2);
        answer += kEnvelopedHeader;
    } else {
        answer.reserve(Base64Size(total));
    }
    Base64Append({AsBytes(all.substr(0, offset)), AsBytes(attributes), AsBytes(all.substr(offset))},
                 answer, mime ? 64 : 0);
    return CKR_OK;
}

int CmsEngine::Certificates(CmsInput& input, std::string& answer) {
    answer.clear();
    CmsPtr cms = Parse(input, nullptr);
    if (!cms)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    CertStack certs(CMS_get1_certs(cms.get()));
    for (int i = 0; certs && i < sk_X509_num(certs.get()); ++i) {
        const std::vector<uint8_t> der = OpenSslDer(sk_X509_value(certs.get(), i), i2d_X509);
        if (der.empty())
            continue;
        Base64Append({std::span<const uint8_t>(der)}, answer);
        answer += ';';
    }
    return CKR_OK;
}

int CmsEngine::OpenEnvelope(CmsInput& input) {
    CloseEnvelope();
    CmsPtr cms = Parse(input, nullptr);
    if (!cms) {
        Release(input.bytes);
        return CKR_ATTRIBUTE_VALUE_INVALID;
    }
    if (OBJ_obj2nid(CMS_get0_type(cms.get())) != NID_pkcs7_enveloped) {
        Trace("Plg - Decrypt failed: the content is not enveloped data");
        Release(input.bytes);
        return CKR_ATTRIBUTE_VALUE_INVALID;
    }
    // The name and the cipher are read from the DER, which the S/MIME text only
    // carries encoded.
    std::string encoded;
    if (input.mime) {
        Release(input.bytes);
        BioPtr out = sink_.Open(encoded, false);
        if (out && i2d_CMS_bio(out.get(), cms.get()) != 1)
            encoded.clear();
    } else {
        encoded.swap(input.bytes);
    }
    const std::span<const uint8_t> der = AsBytes(encoded);
    fileName_ = ReadFileNameAttribute(der);
    // A message read in the default context cannot be opened with an old cipher: it
    // is read again where the legacy provider serves it.
    if (OSSL_LIB_CTX* context = library_.ContextForContentCipher(ReadContentCipherOid(der))) {
        cms = ParseDer(der, context);
        if (!cms) {
            Release(encoded);
            return CKR_ATTRIBUTE_VALUE_INVALID;
        }
    }
    Release(encoded);
    envelope_ = std::move(cms);
    return CKR_OK;
}

bool CmsEngine::EnvelopeIsFor(X509* cert) const {
    if (!envelope_ || !cert)
        return false;
    STACK_OF(CMS_RecipientInfo)* infos = CMS_get0_RecipientInfos(envelope_.get());
    for (int i = 0; infos && i < sk_CMS_RecipientInfo_num(infos); ++i) {
        CMS_RecipientInfo* info = sk_CMS_RecipientInfo_value(infos, i);
        const int type = CMS_RecipientInfo_type(info);
        if (type == CMS_RECIPINFO_TRANS && CMS_RecipientInfo_ktri_cert_cmp(info, cert) == 0)
            return true;
        if (type == CMS_RECIPINFO_AGREE) {
            STACK_OF(CMS_RecipientEncryptedKey)* keys = CMS_RecipientInfo_kari_get0_reks(info);
            for (int k = 0; keys && k < sk_CMS_RecipientEncryptedKey_num(keys); ++k) {
                if (CMS_RecipientEncryptedKey_cert_cmp(sk_CMS_RecipientEncryptedKey_value(keys, k),
                                                       cert) == 0)
                    return true;
            }
        }
    }
    return false;
}

int CmsEngine::DecryptEnvelope(X509* cert, EVP_PKEY* key, std::string& answer) {
    answer.clear();
    if (!envelope_)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    ASN1_OCTET_STRING** encrypted = CMS_get0_content(envelope_.get());
    if (encrypted && *encrypted)
        answer.reserve(Base64Size(static_cast<size_t>(ASN1_STRING_length(*encrypted))));
    BioPtr out = sink_.Open(answer, true);
    const int ok =
        out ? CMS_decrypt(envelope_.get(), key, cert, nullptr, out.get(), CMS_BINARY) : 0;
    if (out)
        StringSink::Finish(out.get());
    if (ok != 1) {
        Trace("Plg - Decrypt failed: %s", LastError().c_str());
        Release(answer);
        return CKR_FUNCTION_FAILED;
    }
    return CKR_OK;
}

void CmsEngine::CloseEnvelope() {
    envelope_.reset();
    fileName_.clear();
}

}  // namespace orx
