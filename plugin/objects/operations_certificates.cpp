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

// PKCS#11's CKR_OBJECT_HANDLE_INVALID: the certificate is not on the token.
constexpr int kResultObjectMissing = 130;

// PKCS#12 and PKCS#7 files are imported by the container code; until it takes
// them they count as content this module cannot store.
int InputResult(int read) {
    return read == kCertificateInputContainer ? kResultBadContent : read;
}

}  // namespace

int ModuleContext::WriteCertificate() {
    Trace("Plg - WriteCertificate ...");
    std::vector<uint8_t> der;
    const int read = ReadCertificateInput(Input("Certificate"), der);
    if (read != kCertificateInputOk) {
        Trace("Plg - WriteCertificate failed: the certificate cannot be read (%d)", read);
        return InputResult(read);
    }
    TokenFile token;
    if (ReadSlotToken(activeSlot_, token) != kTokenOk) {
        Trace("Plg - WriteCertificate failed: no token in slot %d", activeSlot_);
        return kResultNotPresent;
    }
    CertificateFields fields;
    ReadCertificateFields(der, fields);
    const int result = StoreCertificate(activeSlot_, der, fields.subjectDisplay, {});
    if (result != kResultOk) {
        Trace("Plg - WriteCertificate failed (%d)", result);
        return result;
    }
    PropagateCertificates();
    Trace("Plg - WriteCertificate ... done (slot %d, '%s')", activeSlot_,
          fields.subjectText.c_str());
    return kResultOk;
}

int ModuleContext::DeleteCertificate() {
    Trace("Plg - DeleteCertificate ...");
    std::vector<uint8_t> der;
    const int read = ReadCertificateInput(Input("Certificate"), der);
    if (read != kCertificateInputOk) {
        Trace("Plg - DeleteCertificate failed: the certificate cannot be read (%d)", read);
        return InputResult(read);
    }
    TokenFile file;
    const int token = ReadSlotToken(activeSlot_, file);
    if (token == kResultNotPresent) {
        Trace("Plg - DeleteCertificate failed: no token in slot %d", activeSlot_);
        return kResultNotPresent;
    }
    if (token != kTokenOk || !FindCertificateObject(file.publicObjects, der)) {
        Trace("Plg - DeleteCertificate failed: the certificate is not on the token");
        return kResultObjectMissing;
    }
    const int result = EditSlot(activeSlot_, [&](auto& publicObjects, auto& privateObjects) {
        return RemoveCertificate(publicObjects, privateObjects, der) ? kTokenOk
                                                                     : kResultObjectMissing;
    });
    certificateExList_.clear();
    certificateList_.clear();
    if (result != kResultOk) {
        Trace("Plg - DeleteCertificate failed (%d)", result);
        return result;
    }
    PropagateCertificates();
    Trace("Plg - DeleteCertificate ... done (slot %d)", activeSlot_);
    return kResultOk;
}

int ModuleContext::OpenUpdateLink() {
    Trace("Plg - Update ...");
    std::string link;
    if (ConfigReadString("Links", "Update", link, 1024) != kConfigOk || link.empty()) {
        Trace("Plg - Update failed: no update link is set");
        return kResultNotSupported;
    }
    ShellOpen(nullptr, link, false);
    Trace("Plg - Update ... done ('%s')", link.c_str());
    return kResultOk;
}

}  // namespace orx
