// "WriteCertificate" and "DeleteCertificate" on a slot's token, and the storing of a
// certificate with its key that the PKCS#12 import builds on.
#include "core/trace.h"
#include "objects/certificate_fields.h"
#include "objects/certificate_input.h"
#include "objects/object_operations.h"
#include "objects/token_access.h"
#include "propagation/certificate_propagation.h"
#include "properties/inputs.h"

namespace orx {

namespace {

// PKCS#12 and PKCS#7 files are imported by the container code; until it takes
// them they count as content this module cannot store.
int InputResult(int read) {
    return read == kCertificateInputContainer ? CKR_ATTRIBUTE_VALUE_INVALID : read;
}

}  // namespace

void ObjectOperations::ForgetLists() {
    certificateExList_.clear();
    certificateList_.clear();
}

int ObjectOperations::StoreCertificate(int slot, std::span<const uint8_t> der,
                                       std::string_view label, std::span<const uint8_t> pkcs8) {
    const NewCertificate certificate{der, std::string(label), pkcs8};
    return StoreCertificates(slot, {&certificate, 1});
}

int ObjectOperations::StoreCertificates(int slot, std::span<const NewCertificate> certificates) {
    for (const NewCertificate& certificate : certificates) {
        if (certificate.der.empty() || certificate.der.size() > kMaxCertificateSize ||
            certificate.pkcs8.size() > kMaxPrivateKeySize)
            return CKR_ARGUMENTS_BAD;
    }
    TokenFile file;
    if (tokens_.ReadToken(slot, file) != CKR_OK)
        return CKR_TOKEN_NOT_PRESENT;
    const int result = tokens_.Edit(slot, [&](auto& publicObjects, auto& privateObjects) -> int {
        for (const NewCertificate& certificate : certificates)
            PutCertificate(publicObjects, privateObjects, certificate.der, certificate.label,
                           certificate.pkcs8);
        return CKR_OK;
    });
    tokens_.Rescan();
    ForgetLists();
    return result;
}

int ObjectOperations::WriteCertificate(int slot, const Inputs& inputs) {
    Trace("Plg - WriteCertificate ...");
    std::vector<uint8_t> der;
    const int read = ReadCertificateInput(inputs.Get("Certificate"), der);
    if (read != CKR_OK) {
        Trace("Plg - WriteCertificate failed: the certificate cannot be read (%d)", read);
        return InputResult(read);
    }
    TokenFile token;
    if (tokens_.ReadToken(slot, token) != CKR_OK) {
        Trace("Plg - WriteCertificate failed: no token in slot %d", slot);
        return CKR_TOKEN_NOT_PRESENT;
    }
    CertificateFields fields;
    ReadCertificateFields(der, fields);
    const int result = StoreCertificate(slot, der, fields.subjectDisplay, {});
    if (result != CKR_OK) {
        Trace("Plg - WriteCertificate failed (%d)", result);
        return result;
    }
    propagation_.Run();
    Trace("Plg - WriteCertificate ... done (slot %d, '%s')", slot, fields.subjectText.c_str());
    return CKR_OK;
}

int ObjectOperations::DeleteCertificate(int slot, const Inputs& inputs) {
    Trace("Plg - DeleteCertificate ...");
    std::vector<uint8_t> der;
    const int read = ReadCertificateInput(inputs.Get("Certificate"), der);
    if (read != CKR_OK) {
        Trace("Plg - DeleteCertificate failed: the certificate cannot be read (%d)", read);
        return InputResult(read);
    }
    TokenFile file;
    const int token = tokens_.ReadToken(slot, file);
    if (token == CKR_TOKEN_NOT_PRESENT) {
        Trace("Plg - DeleteCertificate failed: no token in slot %d", slot);
        return CKR_TOKEN_NOT_PRESENT;
    }
    if (token != CKR_OK || !FindCertificateObject(file.publicObjects, der)) {
        Trace("Plg - DeleteCertificate failed: the certificate is not on the token");
        return CKR_OBJECT_HANDLE_INVALID;
    }
    const int result = tokens_.Edit(slot, [&](auto& publicObjects, auto& privateObjects) -> int {
        return RemoveCertificate(publicObjects, privateObjects, der) ? CKR_OK
                                                                     : CKR_OBJECT_HANDLE_INVALID;
    });
    ForgetLists();
    if (result != CKR_OK) {
        Trace("Plg - DeleteCertificate failed (%d)", result);
        return result;
    }
    propagation_.Run();
    Trace("Plg - DeleteCertificate ... done (slot %d)", slot);
    return CKR_OK;
}

}  // namespace orx
