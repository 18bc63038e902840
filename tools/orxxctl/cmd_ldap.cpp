// ldap search: an anonymous subtree search for certificates, as the Search
// Certificates dialog runs it, printed for scripts and tests.
#include <string>

#include "command.h"
#include "der/der_certificate.h"
#include "directory/ldap_client.h"

namespace orxctl {
namespace {

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
    if (!orx::DerCertificateSubjectText(orx::DerBytes(value, length), subject))
        subject.clear();
    output->text.append(entryText).append("\n");
    output->text.append("subject: ").append(subject).append("\n");
    return 1;
}

int RunLdap(const Arguments& arguments) {
    if (arguments.size() != 4 || arguments[0] != "search")
        return Usage("ldap");
    const std::string& url = arguments[1];
    orx::LdapConnection connection = orx::LdapConnectUrl(url);
    if (connection == nullptr) {
        orx::LdapDisconnect(connection);
        return Fail("cannot connect to '" + url + "'");
    }
    SearchOutput output;
    orx::LdapSearchCertificates(connection, arguments[2].c_str(), arguments[3].c_str(),
                                &PrintCertificate, &output);
    orx::LdapDisconnect(connection);
    if (!WriteOutput(output.text))
        return Fail("cannot write standard output");
    return output.certificates > 0 ? kExitOk : Fail("no certificate found");
}

const bool registered = RegisterCommand({"ldap", "  ldap search URL BASE FILTER\n", &RunLdap});

}  // namespace
}  // namespace orxctl
