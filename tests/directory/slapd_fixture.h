// A real slapd on 127.0.0.1 for the directory tests: its own configuration,
// database and port in a temporary folder, entries loaded with ldapadd, and
// stopped when its owner ends, when the test program's tests end, or when the
// test program dies.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/test_environment.h"

namespace orx::testing {

inline constexpr const char* kSlapdBase = "dc=example,dc=org";

// One person entry of the directory.
struct DirectoryPerson {
    std::string cn;
    std::string mail;  // empty: no mail attribute
    std::vector<std::vector<uint8_t>> certificates;
    std::string rdn;  // empty: "cn=" and the common name
};

class SlapdServer {
  public:
    SlapdServer() = default;
    ~SlapdServer();
    SlapdServer(const SlapdServer&) = delete;
    SlapdServer& operator=(const SlapdServer&) = delete;

    // Starts slapd on a free port and adds the base entry; false (with the reason
    // in `error()`) when it does not answer within ten seconds.
    bool Start();
    void Stop();
    bool running() const { return pid_ > 0; }

    // Adds the entries of an LDIF text as the root user.
    bool Add(std::string_view ldif);

    // The LDIF of one inetOrgPerson under kSlapdBase: cn, mail, objectClass, sn,
    // the extra "name: value" lines, then each certificate as userCertificate;binary.
    std::string PersonLdif(const DirectoryPerson& person, std::string_view extraLines = {});

    int port() const { return port_; }
    std::string url() const { return "ldap://127.0.0.1:" + std::to_string(port_); }
    const std::string& error() const { return error_; }
    const TempDir& folder() const { return dir_; }

  private:
    bool StartOnPort(int port);
    bool Answers() const;

    TempDir dir_;
    pid_t pid_ = -1;
    int port_ = 0;
    int files_ = 0;
    std::string error_;
};

// The test program's one server with the standard entries below, started on first
// use and stopped by a test environment when the program's tests end.
SlapdServer& SharedSlapd();

// The standard entries of the shared server (all under kSlapdBase).
const std::vector<DirectoryPerson>& StandardPeople();

// A self-signed certificate in DER made by the openssl command line, for a subject
// in openssl's "/CN=.../O=..." form (UTF-8 allowed); empty on failure.
std::vector<uint8_t> MakeCertificate(std::string_view subject, bool rsa = false);

}  // namespace orx::testing
