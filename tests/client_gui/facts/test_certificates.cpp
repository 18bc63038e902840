#include "client_gui/facts/test_certificates.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>

#include "core/string_helpers.h"

namespace orx::testing {
namespace {

constexpr const char* kCaConfig =
    "[ca]\ndefault_ca = d\n[d]\ndatabase = ca/index.txt\nnew_certs_dir = ca\n"
    "serial = ca/serial\ndefault_md = sha256\npolicy = p\nunique_subject = no\n"
    "[p]\ncommonName = supplied\n";

// openssl indents its value lines and ends them as it likes.
std::string Trim(std::string_view text) {
    return std::string(orx::Trim(text, " \n\t"));
}

std::string AfterEquals(const std::string& line) {
    const size_t at = line.find('=');
    return at == std::string::npos ? std::string() : Trim(line.substr(at + 1));
}

void Make(const std::string& folder) {
    const std::string in = "cd '" + folder + "' && ";
    auto run = [&](const std::string& command) {
        ASSERT_EQ(RunCommand(in + command + ""), 0) << command;
    };
    run("openssl genrsa -out k.pem 2048");
    run("openssl req -x509 -key k.pem -days 30 -set_serial 0x00c0ffee1234567890abcdef"
        " -subj '/C=SE/O=Example AB/OU=Unit/CN=Jane Doe/emailAddress=jane@example.org'"
        " -addext 'keyUsage=critical,digitalSignature,nonRepudiation,keyEncipherment'"
        " -addext 'extendedKeyUsage=serverAuth,clientAuth,codeSigning,emailProtection,"
        "1.3.6.1.4.1.311.20.2.2'"
        " -addext 'subjectAltName=email:jane@example.org,DNS:host.example.org,"
        "IP:192.0.2.7,URI:https://example.org/jane,"
        "otherName:1.3.6.1.4.1.311.20.2.3;UTF8:jane@corp.example'"
        " -addext 'basicConstraints=critical,CA:FALSE' -outform DER -out full.der");
    run("openssl req -x509 -key k.pem -days 3650 -subj '/O=Example AB/CN=Example Root CA'"
        " -addext 'basicConstraints=critical,CA:TRUE,pathlen:0'"
        " -addext 'keyUsage=critical,keyCertSign,cRLSign' -outform DER -out ca.der");
    run("openssl ecparam -name prime256v1 -genkey -noout -out ec.pem");
    run("openssl req -x509 -key ec.pem -days 10 -subj '/CN=Elliptic' -outform DER -out ec.der");
    // Dates of one's own choosing need the ca command.
    WriteFile(folder + "/ca.cnf", kCaConfig);
    run("mkdir -p ca && : > ca/index.txt && echo 1000 > ca/serial");
    run("openssl req -new -key k.pem -subj '/CN=Old Timer' -out old.csr");
    run("openssl ca -batch -config ca.cnf -selfsign -keyfile k.pem -in old.csr"
        " -startdate 20200101000000Z -enddate 20210101000000Z -outdir ca -out old.pem");
    run("openssl x509 -in old.pem -outform DER -out expired.der");
    run("openssl req -new -key k.pem -subj '/CN=Early Bird' -out new.csr");
    run("openssl ca -batch -config ca.cnf -selfsign -keyfile k.pem -in new.csr"
        " -startdate 20450101000000Z -enddate 20550101000000Z -outdir ca -out new.pem");
    run("openssl x509 -in new.pem -outform DER -out future.der");
    for (const char* name : {"full", "ca", "ec", "expired", "future"}) {
        run(std::string("openssl x509 -inform DER -in ") + name + ".der -out " + name + ".pem");
    }
}

}  // namespace

const std::string& CertificateFolder() {
    // Made once, removed when the test program ends.
    static TempDir dir;
    static const bool made = [] {
        Make(dir.path());
        return true;
    }();
    (void)made;
    return dir.path();
}

const char* CertificateName(TestCert which) {
    switch (which) {
        case TestCert::Full:
            return "full";
        case TestCert::CA:
            return "ca";
        case TestCert::Expired:
            return "expired";
        case TestCert::NotYetValid:
            return "future";
        case TestCert::Ec:
            return "ec";
    }
    return "";
}

std::string CertificatePath(TestCert which) {
    return CertificateFolder() + "/" + CertificateName(which) + ".der";
}

std::string CertificatePemPath(TestCert which) {
    return CertificateFolder() + "/" + CertificateName(which) + ".pem";
}

std::vector<uint8_t> CertificateBytes(TestCert which) {
    return ReadBytes(CertificatePath(which));
}

std::string OpensslDate(const std::string& text) {
    tm parsed{};
    if (strptime(text.c_str(), "%b %d %H:%M:%S %Y GMT", &parsed) == nullptr)
        return "unparsed: " + text;
    char out[40];
    strftime(out, sizeof out, "%Y-%m-%d %H:%M:%S UTC", &parsed);
    return out;
}

OpensslView ViewWithOpenssl(const std::string& path) {
    OpensslView view;
    const std::string x509 = "openssl x509 -inform DER -in '" + path + "' -noout ";
    std::string out;
    RunCommand(x509 + "-subject -nameopt oid,sep_comma_plus_space,esc_msb,utf8", &out);
    view.subject = AfterEquals(out);
    RunCommand(x509 + "-issuer -nameopt oid,sep_comma_plus_space,esc_msb,utf8", &out);
    view.issuer = AfterEquals(out);
    RunCommand(x509 + "-serial", &out);
    view.serial = AfterEquals(out);
    RunCommand(x509 + "-startdate", &out);
    view.notBefore = OpensslDate(AfterEquals(out));
    RunCommand(x509 + "-enddate", &out);
    view.notAfter = OpensslDate(AfterEquals(out));
    RunCommand(x509 + "-fingerprint -sha1", &out);
    view.sha1 = AfterEquals(out);
    RunCommand(x509 + "-fingerprint -sha256", &out);
    view.sha256 = AfterEquals(out);
    RunCommand(x509 + "-text", &view.text);
    const size_t bits = view.text.find("Public-Key: (");
    if (bits != std::string::npos)
        view.keyBits = std::atoi(view.text.c_str() + bits + 13);
    return view;
}

std::vector<OpensslExtension> OpensslExtensions(const std::string& text) {
    std::vector<OpensslExtension> list;
    std::istringstream in(text);
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (line.find("X509v3 extensions:") != std::string::npos) {
            inside = true;
            continue;
        }
        if (!inside)
            continue;
        const size_t indent = line.find_first_not_of(' ');
        if (indent == 12) {
            OpensslExtension e;
            const size_t colon = line.rfind(':');
            e.name = Trim(line.substr(12, colon - 12));
            e.critical = Trim(line.substr(colon + 1)) == "critical";
            list.push_back(e);
        } else if (indent == 16 && !list.empty() && list.back().value.empty()) {
            list.back().value = Trim(line);
        } else if (indent < 12) {
            break;
        }
    }
    return list;
}

}  // namespace orx::testing
