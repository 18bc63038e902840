// wizard_token_setup LABEL FILE.p12: a new soft token holding the PKCS#12 file's
// certificate and key. Exit 0 on success, else the module's result (at most 255).
#include <cstdio>
#include <filesystem>

#include "core/file_helpers.h"
#include "core/product_identity.h"
#include "token/token_application.h"
#include "token_setup.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: wizard_token_setup LABEL FILE.p12\n");
        return 2;
    }
    // Beside orxxadm, and named like it, so that it finds the module and the
    // configuration exactly as the program does.
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    orx::SetProgramPath((self.parent_path() / "orxxadm").string());
    orx::InitProductIdentity();
    std::vector<uint8_t> pkcs12;
    if (!orx::ReadWholeFile(argv[2], pkcs12) || pkcs12.empty()) {
        std::fprintf(stderr, "wizard_token_setup: cannot read %s\n", argv[2]);
        return 1;
    }
    orx::TokenApplication app;
    app.StartPlugin();
    const int result = orx::CreateTokenWithPkcs12(app, argv[1], pkcs12);
    if (result != 0)
        std::fprintf(stderr, "wizard_token_setup: the module answered %d\n", result);
    return result == 0 ? 0 : (result > 255 ? 1 : result);
}
