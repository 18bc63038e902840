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
};

int PrintCertificate(void* context, const char* entryText, const uint8_t* value, size_t length) {
    if (entryText == nullptr)
        return 0;  // the end of the search
    auto* output = static_cast<SearchOutput*>(context);
    std::string subject;
    if (!orx::DerCertificateSubjectText(orx::DerBytes(value, length), subject))
        subject.clear();
    output->text.append(entryText).append("\n");
    output->text.append("subject: ").append(subject).append("\n");
    return 1;
}

// Beside 0 (found), 1 (nothing found) and 2 (usage): why a search failed, so that
// a script can tell a directory that is down from one that holds nothing.
constexpr int kExitNoServer = 3;
constexpr int kExitTimeOut = 4;
constexpr int kExitProtocolError = 5;

int FailWith(int code, const std::string& message) {
    Fail(message);
    return code;
}

}  // namespace

int RunLdapSearch(const Arguments& arguments) {
    if (arguments.size() != 3)
        return Usage("ldap");
    const std::string& url = arguments[0];
    orx::LdapConnection connection = orx::LdapConnectUrl(url);
    if (connection == nullptr) {
        orx::LdapDisconnect(connection);
        return FailWith(kExitNoServer, "cannot connect to '" + url + "'");
    }
    SearchOutput output;
    const orx::LdapSearchReport report = orx::LdapRunSearch(
        connection, arguments[1].c_str(), arguments[2].c_str(), orx::kLdapScopeSubtree,
        orx::kLdapCertificateAttribute, &PrintCertificate, &output, orx::LdapConfiguredLimits());
    orx::LdapDisconnect(connection);
    // What was found before a failure is printed all the same.
    if (!WriteOutput(output.text))
        return Fail("cannot write standard output");
    switch (report.outcome) {
        case orx::LdapSearchOutcome::Found:
            return kExitOk;
        case orx::LdapSearchOutcome::NoServer:
            return FailWith(kExitNoServer, "the directory at '" + url + "' closed the connection");
        case orx::LdapSearchOutcome::TimeOut:
            return FailWith(kExitTimeOut, "time-out: the directory at '" + url +
                                              "' did not finish the search in time");
        case orx::LdapSearchOutcome::ProtocolError:
            return FailWith(kExitProtocolError,
                            "protocol error: the answer of '" + url + "' is no LDAP or too large");
        case orx::LdapSearchOutcome::NoResult:
        case orx::LdapSearchOutcome::Cancelled:
            break;
    }
    return Fail("no certificate found");
}

}  // namespace orxctl
