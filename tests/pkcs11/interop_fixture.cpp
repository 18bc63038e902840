#include "pkcs11/interop_fixture.h"

#include "tokenfile/token_objects.h"

namespace orx::testing {

void P11Interop::SetUp() {
    P11Test::SetUp();
    slot_ = MakeSoftToken("Interop", kPin, {&RsaPair(), &EcPair()});
    // A program that loads the sanitizer build of the module needs its runtime, and
    // its own leaks are none of these tests' business.
#ifdef ORX_SANITIZER_RUNTIME
    vars_.push_back(std::make_unique<ScopedEnv>("LD_PRELOAD", ORX_SANITIZER_RUNTIME));
    vars_.push_back(std::make_unique<ScopedEnv>("ASAN_OPTIONS", "detect_leaks=0"));
#endif
}

int P11Interop::Run(const std::string& command, std::string* output) {
    std::string text;
    const int status = RunCommand("(" + command + ") 2>&1", &text);
    if (output)
        *output = text;
    if (status != 0)
        std::cerr << "[" << command << "] said:\n" << text << "\n";
    return status;
}

std::string P11Interop::QuotedModule() {
    return "'" + ModulePath() + "'";
}

std::string P11Interop::HexId(const TestKeyPair& pair) {
    return CertificateObjectId(pair.certificate);
}

}  // namespace orx::testing
