// orxxctl cert show over every certificate of the system's CA bundle, with the
// issuer and subject compared to openssl's own rendering of the same names
// (dotted types, encoded order, " + " inside an RDN, ", " between RDNs, nothing
// escaped).
#include <glob.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_environment.h"

namespace orx {
namespace {

using namespace orx::testing;

std::vector<std::string> BundleCertificates() {
    std::vector<std::string> paths;
    glob_t found{};
    if (::glob("/etc/ssl/certs/*.pem", 0, nullptr, &found) == 0) {
        for (size_t i = 0; i < found.gl_pathc; ++i)
            paths.emplace_back(found.gl_pathv[i]);
    }
    ::globfree(&found);
    return paths;
}

std::string Show(const std::string& path, int* status) {
    std::string out;
    *status = RunCommand(BinPath("orxxctl") + " cert show '" + path + "' 2>/dev/null", &out);
    return out;
}

std::string Field(const std::string& summary, const std::string& name) {
    const size_t at = summary.find("\n" + name + ": ");
    if (at == std::string::npos)
        return "<missing>";
    const size_t start = at + name.size() + 3;
    return summary.substr(start, summary.find('\n', start) - start);
}

TEST(CertShow, EveryBundleCertificateWithOpensslsNames) {
    IsolatedEnvironment env;
    const std::vector<std::string> paths = BundleCertificates();
    ASSERT_GT(paths.size(), 100u) << "the ca-certificates package is needed";
    for (const std::string& path : paths) {
        int status = -1;
        const std::string summary = "\n" + Show(path, &status);
        ASSERT_EQ(status, 0) << path;
        std::string names;
        ASSERT_EQ(RunCommand("openssl x509 -in '" + path +
                                 "' -noout -issuer -subject -nameopt sep_comma_plus_space,oid,utf8",
                             &names),
                  0);
        EXPECT_EQ(
            "issuer=" + Field(summary, "issuer") + "\nsubject=" + Field(summary, "subject") + "\n",
            names)
            << path;
    }
}

TEST(CertShow, SameOutputForDerBase64AndPemAndClearFailures) {
    IsolatedEnvironment env;
    const std::vector<std::string> paths = BundleCertificates();
    ASSERT_FALSE(paths.empty());
    const std::string pem = paths.front();
    ASSERT_EQ(RunCommand("openssl x509 -in '" + pem + "' -outform DER -out '" + (env / "c.der") +
                         "' && " + BinPath("orxxctl") + " b64 encode '" + (env / "c.der") +
                         "' > '" + (env / "c.b64") + "'"),
              0);
    int status = -1;
    const std::string fromPem = Show(pem, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Show(env / "c.der", &status), fromPem);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Show(env / "c.b64", &status), fromPem);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(fromPem.substr(0, 9), "version: ");
    EXPECT_EQ(fromPem.substr(fromPem.rfind("\n", fromPem.size() - 2) + 1, 13), "displayName: ");

    WriteFile(env / "text", "not a certificate");
    EXPECT_EQ(Show(env / "text", &status), "");
    EXPECT_EQ(status, 1);
    Show(env / "absent", &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(RunCommand(BinPath("orxxctl") + " cert show 2>/dev/null"), 2);
}

}  // namespace
}  // namespace orx
