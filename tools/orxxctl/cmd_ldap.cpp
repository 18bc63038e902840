// ldap search: an anonymous subtree search for certificates, as the Search
// Certificates dialog runs it, printed for scripts and tests.
#include <string>

#include "commands.h"
#include "der/der_length.h"
#include "der/der_name_text.h"
#include "der/der_reader.h"
#include "der/der_result.h"
#include "directory/ldap_client.h"

namespace orxctl {
namespace {

constexpr uint8_t kTagExplicitVersion = 0xA0;

// The subject's name text, as the certificate codec makes it, without decoding
// the rest: a directory search may bring thousands of certificates, and the
// extensions and validity are of no interest here. False when the certificate
// cannot be read as far as its subject.
bool SubjectNameText(orx::DerBytes certificate, std::string& text) {
    orx::DerBytes outer;
    orx::DerBytes info;
    if (orx::DerDecodeHeader(certificate, &outer) != orx::DER_OK)
        return false;
    orx::DerReader certificateReader(outer);
    orx::DerBytes infoElement;
    if (orx::DerReadElement(certificateReader, &infoElement) != orx::DER_OK ||
        orx::DerDecodeHeader(infoElement, &info) != orx::DER_OK) {
        return false;
    }
    orx::DerReader reader(info);
    orx::DerBytes element;
    if (orx::DerTag(reader.rest()) == kTagExplicitVersion &&
        orx::DerReadElement(reader, &element) != orx::DER_OK) {
        return false;
    }
    // Serial number, signature algorithm, issuer and validity come before it.
    for (int i = 0; i < 5; ++i) {
        if (orx::DerReadElement(reader, &element) != orx::DER_OK)
            return false;
    }
    return orx::DerNameToText(element, text, certificate.size()) == orx::DER_OK;
}

struct SearchOutput {
    std::string text;
    int certificates = 0;
};

int PrintCertificate(void* context, const char* entryText, const uint8_t* value, size_t length) {
    if (entryText == nullptr)
        return 0;  // the end of the search
    auto* output = static_cast<SearchOutput*>(context);
    ++output->certificates;
    std::string subject;
    if (!SubjectNameText(orx::DerBytes(value, length), subject))
        subject.clear();
    output->text.append(entryText).append("\n");
    output->text.append("subject: ").append(subject).append("\n");
    return 1;
}

}  // namespace

int RunLdapSearch(const Arguments& arguments) {
    if (arguments.size() != 3)
        return Usage("ldap");
    const std::string& url = arguments[0];
    orx::LdapConnection connection = orx::LdapConnectUrl(url);
    if (connection == nullptr) {
        orx::LdapDisconnect(connection);
        return Fail("cannot connect to '" + url + "'");
    }
    SearchOutput output;
    orx::LdapSearchCertificates(connection, arguments[1].c_str(), arguments[2].c_str(),
                                &PrintCertificate, &output);
    orx::LdapDisconnect(connection);
    if (!WriteOutput(output.text))
        return Fail("cannot write standard output");
    return output.certificates > 0 ? kExitOk : Fail("no certificate found");
}

}  // namespace orxctl
