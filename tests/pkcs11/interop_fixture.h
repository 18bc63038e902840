// Programs that use PKCS#11 modules, loading orx-pkcs11.so as their users would:
// one soft token with an RSA and an EC key pair, the key files beside it for
// OpenSSL's independent checks, and a way to run a program and see what it said.
#pragma once

#include <sys/stat.h>

#include <string>

#include "pkcs11/p11_fixture.h"

namespace orx::testing {

class P11Interop : public P11Test {
  protected:
    static constexpr const char* kPin = "interop-pin";

    void SetUp() override;

    // Runs a shell command line with the module's environment; its exit status,
    // and everything it wrote (both streams) in `output`.
    int Run(const std::string& command, std::string* output = nullptr);
    // A file in the test's folder.
    std::string Path(const std::string& name) const { return *env_ / name; }
    // The module's path, quoted for a command line.
    static std::string QuotedModule();
    // The object id of a pair on the token, in hex.
    static std::string HexId(const TestKeyPair& pair);

    int slot_ = 0;
};

}  // namespace orx::testing
