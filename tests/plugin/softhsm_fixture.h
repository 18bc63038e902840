// A SoftHSM2 token standing in for a smart card: its files in the test's own
// folder (SOFTHSM2_CONF), made with softhsm2-util and filled with OpenSC's
// pkcs11-tool (these set-up commands carry PINs; the module never does), then
// loaded through "PKCS11"/"Modules" as a card's module is.
#pragma once

#include "pkcs11_fixture.h"

namespace orx::testing {

inline constexpr const char* kUserPin = "123456";
inline constexpr const char* kSoPin = "87654321";

inline std::string Pki(const std::string& name) {
    return std::string(ORX_CARD_PKI) + "/" + name;
}

class SoftHsmTest : public Pkcs11Test {
  protected:
    void SetUp() override {
        Pkcs11Test::SetUp();
        ASSERT_TRUE(InitToken("Test Card", kUserPin, kSoPin));
        // The RSA user's key and certificate under one id, as an issuer puts them.
        ASSERT_TRUE(Write("user.key.der", "privkey", "01", "Card User"));
        ASSERT_TRUE(Write("user.der", "cert", "01", "Card User"));
        Restart(Modules({ORX_SOFTHSM2_MODULE}));
        ASSERT_FALSE(Enum("Token").empty());
    }

    static bool InitToken(const std::string& label, const std::string& pin,
                          const std::string& soPin) {
        return RunCommand("softhsm2-util --init-token --free --label '" + label + "' --pin '" +
                          pin + "' --so-pin '" + soPin + "' >/dev/null 2>&1") == 0;
    }
    // pkcs11-tool on the token labelled `token`.
    static int Tool(const std::string& arguments, std::string* output = nullptr,
                    const std::string& token = "Test Card", const std::string& pin = kUserPin) {
        return RunCommand("pkcs11-tool --module " + std::string(ORX_SOFTHSM2_MODULE) +
                              " --token-label '" + token + "' --login --pin '" + pin + "' " +
                              arguments + " 2>/dev/null",
                          output);
    }
    static bool Write(const std::string& file, const std::string& type, const std::string& id,
                      const std::string& label, const std::string& token = "Test Card",
                      const std::string& extra = "") {
        return Tool("--write-object '" + Pki(file) + "' --type " + type + " --id " + id +
                        " --label '" + label + "' " + extra,
                    nullptr, token) == 0;
    }
    static std::string Objects(const std::string& token = "Test Card") {
        std::string out;
        Tool("--list-objects", &out, token);
        return out;
    }
    // orxxctl with the test's environment; its exit status.
    int Ctl(const std::string& arguments, std::string* output = nullptr) {
        return RunCommand(BinPath("orxxctl") + " " + arguments + " 2>&1", output);
    }
    // The id of the first card slot whose token has this label, or 0.
    int SlotOf(const std::string& label) {
        for (const std::string& entry : Enum("Token")) {
            if (FieldOf(entry, 1) == label)
                return std::atoi(entry.c_str());
        }
        return 0;
    }
};

}  // namespace orx::testing
