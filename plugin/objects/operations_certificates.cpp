// "WriteCertificate" and "DeleteCertificate" on the active soft token, and
// "Update", which opens the product's update page. A write needs the token's key
// (the public objects are authenticated together with the sealed part), so both ask
// for the password when the token is not logged in.
#include "core/config_file.h"
#include "core/system_programs.h"
#include "core/trace.h"
#include "module_context.h"
#include "objects/certificate_fields.h"
#include "objects/certificate_input.h"

namespace orx {

namespace {

// PKCS#12 and PKCS#7 files are imported by the container code; until it takes
// them they count as content this module cannot store.
int InputResult(int read) {
    return read == kCertificateInputContainer ? CKR_ATTRIBUTE_VALUE_INVALID : read;
}

}  // namespace

int ModuleContext::WriteCertificate() {
    Trace("Plg - WriteCertificate ...");
    std::vector<uint8_t> der;
    const int read = ReadCertificateInput(Input("Certificate"), der);
    if (read != CKR_OK) {
        Trace("Plg - WriteCertificate failed: the certificate cannot be read (%d)", read);
        return InputResult(read);
    }
    TokenFile token;
    if (ReadSlotToken(activeSlot_, token) != CKR_OK) {
        Trace("Plg - WriteCertificate failed: no token in slot %d", activeSlot_);
        return CKR_TOKEN_NOT_PRESENT;
    }
    CertificateFields fields;
    ReadCertificateFields(der, fields);
    const int result = StoreCertificate(activeSlot_, der, fields.subjectDisplay, {});
    if (result != CKR_OK) {
        Trace("Plg - WriteCertificate failed (%d)", result);
        return result;
    }
    PropagateCertificates();
    Trace("Plg - WriteCertificate ... done (slot %d, '%s')", activeSlot_,
          fields.subjectText.c_str());
    return CKR_OK;
}

int ModuleContext::DeleteCertificate() {
    Trace("Plg - DeleteCertificate ...");
    std::vector<uint8_t> der;
    const int read = ReadCertificateInput(Input("Certificate"), der);
    if (read != CKR_OK) {
        Trace("Plg - DeleteCertificate failed: the certificate cannot be read (%d)", read);
        return InputResult(read);
    }
    TokenFile file;
    const int token = ReadSlotToken(activeSlot_, file);
    if (token == CKR_TOKEN_NOT_PRESENT) {
        Trace("Plg - DeleteCertificate failed: no token in slot %d", activeSlot_);
        return CKR_TOKEN_NOT_PRESENT;
    }
    if (token != CKR_OK || !FindCertificateObject(file.publicObjects, der)) {
        Trace("Plg - DeleteCertificate failed: the certificate is not on the token");
        return CKR_OBJECT_HANDLE_INVALID;
    }
    const int result = EditSlot(activeSlot_, [&](auto& publicObjects, auto& privateObjects) {
        return RemoveCertificate(publicObjects, privateObjects, der) ? CKR_OK
                                                                     : CKR_OBJECT_HANDLE_INVALID;
    });
    certificateExList_.clear();
    certificateList_.clear();
    if (result != CKR_OK) {
        Trace("Plg - DeleteCertificate failed (%d)", result);
        return result;
    }
    PropagateCertificates();
    Trace("Plg - DeleteCertificate ... done (slot %d)", activeSlot_);
    return CKR_OK;
}

int ModuleContext::OpenUpdateLink() {
    Trace("Plg - Update ...");
    std::string link;
    if (ConfigReadString("Links", "Update", link, 1024) != kConfigOk || link.empty()) {
        Trace("Plg - Update failed: no update link is set");
        return CKR_FUNCTION_NOT_SUPPORTED;
    }
    ShellOpen(nullptr, link, false);
    Trace("Plg - Update ... done ('%s')", link.c_str());
    return CKR_OK;
}

}  // namespace orx
