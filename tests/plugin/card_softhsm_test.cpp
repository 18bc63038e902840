// A SoftHSM2 token as a card, through the real module, orxxctl and OpenSSL's own
// command line: listing, PINs, certificates and keys, data boxes, signing and
// decrypting with the key on the card, and tokens made while the module runs.
#include <sys/wait.h>

#include <cerrno>
#include <regex>

#include "core/base64.h"
#include "softhsm_fixture.h"

namespace orx::testing {
namespace {

class SoftHsmCards : public SoftHsmTest {};

std::string Decoded(std::string_view text) {
    const std::vector<uint8_t> bytes = Base64Decode(text);
    return {bytes.begin(), bytes.end()};
}

TEST_F(SoftHsmCards, TheTokenIsACardWithItsCertificate) {
    std::string list;
    ASSERT_EQ(Ctl("token list", &list), 0) << list;
    // One card; SoftHSM's spare slot (a token not initialised) is none.
    EXPECT_TRUE(
        std::regex_search(list, std::regex("SlotCard\t1;SoftHSM slot ID 0x[0-9a-f]+;Test Card\n"
                                           "SlotCard\t2;SoftHSM slot ID 0x[0-9a-f]+;\n"
                                           "SlotCard\t3;SoftHSM slot ID 0x[0-9a-f]+;\n")))
        << list;
    EXPECT_NE(list.find("Token\t1;Test Card\n"), std::string::npos) << list;
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 4) << list;

    app_->SetActiveSlot(1);
    const std::string info = Get("TokenInfo").value_or("");
    EXPECT_EQ(FieldOf(info, 1), "Test Card");
    EXPECT_EQ(FieldOf(info, 4), "Smart Card");
    EXPECT_EQ(FieldOf(info, 5), ORX_SOFTHSM2_MODULE);
    EXPECT_EQ(FieldOf(info, 7), "4-255");
    EXPECT_EQ(FieldOf(info, 8).rfind("SoftHSM slot ID 0x", 0), 0u);

    std::vector<std::string> certificates = Enum("CertificateEx");
    ASSERT_EQ(certificates.size(), 1u);
    EXPECT_EQ(FieldOf(certificates[0], 0), "1");
    EXPECT_EQ(FieldOf(certificates[0], 2), "01");
    EXPECT_EQ(FieldOf(certificates[0], 3), "Card User");
    EXPECT_EQ(FieldOf(certificates[0], 9), "0");  // the key shows with a login
    EXPECT_EQ(Decoded(FieldOf(certificates[0], 10)), ReadFile(Pki("user.der")));
    ASSERT_EQ(InvokeOn(1, "Login", {"pin 123456"}), 0);
    EXPECT_EQ(FieldOf(Enum("CertificateEx").at(0), 9), "1");
}

TEST_F(SoftHsmCards, PinsAreCheckedChangedAndUnlocked) {
    // Three wrong PINs: SoftHSM never locks, so the dialog ends with "incorrect".
    EXPECT_EQ(InvokeOn(1, "Login", {"pin 111111", "pin 222222", "pin 333333"}), 160);
    EXPECT_FALSE(LoggedIn(1));
    EXPECT_EQ(InvokeOn(1, "Login", {"pin 123456"}), 0);
    EXPECT_TRUE(LoggedIn(1));

    EXPECT_EQ(InvokeOn(1, "ChangePassword", {"pin 123456", "pin 654321", "pin 654321"}), 0);
    Restart(Modules({ORX_SOFTHSM2_MODULE}));
    EXPECT_EQ(InvokeOn(1, "Login", {"pin 123456", "pin 654321"}), 0);
    EXPECT_NE(PinentryLog().find("SETERROR The PIN is incorrect."), std::string::npos);

    // The security officer's PIN gives the user PIN a new value.
    Restart(Modules({ORX_SOFTHSM2_MODULE}));
    EXPECT_EQ(InvokeOn(1, "UnlockPassword", {"pin 87654321", "pin 13572468", "pin 13572468"}), 0);
    EXPECT_EQ(InvokeOn(1, "Login", {"pin 13572468"}), 0);
    EXPECT_EQ(Tool("--list-objects", nullptr, "Test Card", "13572468"), 0);
}

TEST_F(SoftHsmCards, ACertificateFindsItsKeyOnTheCardAndGoesWithIt) {
    // The other user's key is on the card already, under an id of the card's own.
    ASSERT_TRUE(Write("other.key.der", "privkey", "a1b2", "Other Key"));
    app_->SetActiveSlot(1);
    app_->SetProperty("Certificate", ReadFile(Pki("other.pem")).c_str());
    Script({"pin 123456"});
    ASSERT_EQ(app_->Invoke("WriteCertificate"), 0);
    std::string objects = Objects();
    const size_t certificate = objects.find("subject:    DN: CN=Other User");
    ASSERT_NE(certificate, std::string::npos) << objects;
    EXPECT_NE(objects.find("ID:         a1b2", certificate), std::string::npos) << objects;
    EXPECT_EQ(FieldOf(Enum("CertificateEx").at(1), 9), "1");

    // Deleting the certificate takes the key of its id with it, nothing else.
    app_->SetActiveSlot(1);
    app_->SetProperty("Certificate", ReadFile(Pki("other.pem")).c_str());
    ASSERT_EQ(app_->Invoke("DeleteCertificate"), 0);
    objects = Objects();
    EXPECT_EQ(objects.find("Other"), std::string::npos) << objects;
    EXPECT_EQ(objects.find("a1b2"), std::string::npos) << objects;
    EXPECT_NE(objects.find("Card User"), std::string::npos) << objects;
    app_->SetActiveSlot(1);
    app_->SetProperty("Certificate", ReadFile(Pki("other.pem")).c_str());
    EXPECT_EQ(app_->Invoke("DeleteCertificate"), 130);
}

// The PIN dialog of a signature starts ahead while the card is not logged in and is
// the one that asks; once the card is logged in none starts. Either way no dialog
// program is left behind when the operation returns.
TEST_F(SoftHsmCards, ASignatureStartsOneDialogOrNoneAndLeavesNoProgramBehind) {
    const auto countPrograms = [this] {
        const std::string log = PinentryLog();
        size_t n = 0;
        for (size_t at = log.find("ARGV"); at != std::string::npos; at = log.find("ARGV", at + 1))
            ++n;
        return n;
    };
    const auto noChildLeft = [] {
        int status = 0;
        return ::waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
    };
    const auto sign = [this] {
        app_->SetProperty("Data", Base64Encode(std::string_view("to be signed")).c_str());
        app_->SetProperty("Certificate", ReadFile(Pki("user.pem")).c_str());
        return app_->Invoke("Sign");
    };
    Script({"pin 123456"});
    ASSERT_EQ(sign(), 0);
    EXPECT_EQ(ScriptLeft(), "");
    EXPECT_EQ(countPrograms(), 1u);
    EXPECT_TRUE(noChildLeft());
    ASSERT_EQ(sign(), 0);
    EXPECT_EQ(countPrograms(), 1u);
    EXPECT_TRUE(noChildLeft());
}

// The card's login (its PIN dialog, its key derivation) runs on a thread of its own
// while the content is hashed; what the login answers is the signature's answer.
TEST_F(SoftHsmCards, TheLoginRunsConcurrentlyWithTheHashing) {
    const std::string content(3 << 20, 'x');
    const std::string data = Base64Encode(std::string_view(content));
    const struct {
        const char* name;
        const char* certificate;
        std::initializer_list<std::string> answers;
        int result;
        const char* left;  // of the script
    } cases[] = {
        {"the right PIN", "user.pem", {"pin 123456"}, 0, ""},
        {"a cancelled dialog", "user.pem", {"cancel"}, 1, ""},
        {"three wrong PINs", "user.pem", {"pin 111111", "pin 222222", "pin 333333"}, 160, ""},
        {"a wrong PIN, then the right one", "user.pem", {"pin 111111", "pin 123456"}, 0, ""},
        // Found on no token (the card is searched for it): no PIN is asked.
        {"a certificate no token holds", "other.pem", {"pin 123456"}, 96, "pin 123456\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Restart(Modules({ORX_SOFTHSM2_MODULE}));  // logged out
        Script(c.answers);
        app_->SetProperty("Data", data.c_str());
        app_->SetProperty("Certificate", ReadFile(Pki(c.certificate)).c_str());
        ASSERT_EQ(app_->Invoke("Sign"), c.result);
        EXPECT_EQ(ScriptLeft(), c.left);
        const std::optional<std::string> signature = Get("Signature");
        if (c.result != 0) {
            EXPECT_FALSE(signature.has_value() && !signature->empty());
            continue;
        }
        ASSERT_TRUE(signature.has_value());
        WriteFile(*env_ / "s.p7s", Decoded(*signature));
        std::string out;
        ASSERT_EQ(RunCommand("openssl cms -verify -binary -inform DER -in " + *env_ / "s.p7s" +
                                 " -CAfile " + Pki("ca.pem") + " -purpose any -out " +
                                 *env_ / "verified.bin 2>&1",
                             &out),
                  0)
            << out;
        EXPECT_TRUE(ReadFile(*env_ / "verified.bin") == content);
    }
}

TEST_F(SoftHsmCards, APkcs12FilePutsKeyAndCertificateOnTheCard) {
    ASSERT_TRUE(InitToken("Empty Card", kUserPin, kSoPin));
    ASSERT_EQ(app_->Invoke("Refresh"), 0);
    const int slot = SlotOf("Empty Card");
    ASSERT_EQ(slot, 4);
    const std::string p12 = Base64Encode(std::string_view(ReadFile(Pki("other.p12"))));
    // A wrong file password writes nothing.
    app_->SetActiveSlot(slot);
    app_->SetProperty("Certificate", p12.c_str());
    Script({"pin wrong-1", "pin wrong-2", "pin wrong-3"});
    EXPECT_EQ(app_->Invoke("WriteCertificate"), 160);
    EXPECT_EQ(Objects("Empty Card").find("Object"), std::string::npos);

    app_->SetActiveSlot(slot);
    app_->SetProperty("Certificate", p12.c_str());
    Script({"pin p12-password", "pin 123456"});
    ASSERT_EQ(app_->Invoke("WriteCertificate"), 0);
    const std::string objects = Objects("Empty Card");
    EXPECT_NE(objects.find("Private Key Object; RSA"), std::string::npos) << objects;
    EXPECT_NE(objects.find("DN: CN=Other User"), std::string::npos) << objects;
    EXPECT_NE(objects.find("DN: CN=Card Test CA"), std::string::npos) << objects;
    // The key came as a key that never leaves the card again.
    const size_t key = objects.find("Private Key Object");
    EXPECT_NE(objects.find("Access:     sensitive\n", key), std::string::npos) << objects;

    // It signs: openssl accepts the signature.
    WriteFile(*env_ / "in.txt", "signed by the key from the PKCS#12 file\n");
    Script({"pin 123456"});
    std::string out;
    ASSERT_EQ(Ctl("file sign " + *env_ / "in.txt " + *env_ / "out.p7s " + Pki("other.pem"), &out),
              0)
        << out;
    EXPECT_EQ(
        RunCommand("openssl cms -verify -binary -inform DER -in " + *env_ / "out.p7s" +
                       " -CAfile " + Pki("ca.pem") + " -purpose any -out " + *env_ / "v.txt 2>&1",
                   &out),
        0)
        << out;
    EXPECT_EQ(ReadFile(*env_ / "v.txt"), ReadFile(*env_ / "in.txt"));
}

TEST_F(SoftHsmCards, DataBoxesAreWrittenAndReadBack) {
    auto describe = [&](bool isPrivate) {
        app_->SetActiveSlot(1);
        app_->SetProperty("CKA_CLASS", "0x00000000");
        app_->SetProperty("CKA_TOKEN", "0x01");
        app_->SetProperty("CKA_PRIVATE", isPrivate ? "0x01" : "0x00");
        app_->SetProperty("CKA_LABEL", isPrivate ? "PIN hint" : "Phone");
        app_->SetProperty("CKA_APPLICATION", "Orvex Admin");
    };
    auto write = [&](bool isPrivate, const std::string& value) {
        describe(isPrivate);
        app_->SetProperty("CKA_VALUE", Base64Encode(std::string_view(value)).c_str());
        return app_->Invoke("UpdateObject");
    };
    auto read = [&](bool isPrivate) {
        describe(isPrivate);
        const std::optional<std::string> entry = app_->EnumPropertyString("Object", 0);
        return entry ? Decoded(FieldOf(*entry, 1)) : std::string("<none>");
    };
    Script({"pin 123456"});
    ASSERT_EQ(write(false, "+49 30 1234"), 0);
    ASSERT_EQ(write(false, "+49 30 5678"), 0);  // replaced, not added
    EXPECT_EQ(write(true, "the blue one"), 0);
    EXPECT_EQ(read(false), "+49 30 5678");
    EXPECT_EQ(read(true), "the blue one");
    const std::string objects = Objects();
    size_t data = 0;
    for (size_t at = objects.find("Data object"); at != std::string::npos;
         at = objects.find("Data object", at + 1))
        ++data;
    EXPECT_EQ(data, 2u) << objects;
    EXPECT_NE(objects.find("Orvex Admin"), std::string::npos) << objects;

    // Without a login the private box stays shut.
    Restart(Modules({ORX_SOFTHSM2_MODULE}));
    EXPECT_EQ(read(false), "+49 30 5678");
    EXPECT_EQ(read(true), "<none>");
    EXPECT_EQ(write(true, "not without a login"), 257);
}

struct KeyCase {
    const char* name;
    const char* certificate;
    const char* encryptOptions;
};

class SoftHsmKeys : public SoftHsmCards, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(SoftHsmKeys, OpenSslVerifiesTheCardsSignatureAndTheCardOpensOpenSslsEnvelope) {
    const KeyCase& c = GetParam();
    // The EC user's key and certificate too, under an id of their own.
    ASSERT_TRUE(
        Write("curve.key.der", "privkey", "03", "Curve User", "Test Card", "--usage-derive"));
    ASSERT_TRUE(Write("curve.der", "cert", "03", "Curve User"));
    Restart(Modules({ORX_SOFTHSM2_MODULE}));
    const std::string in = *env_ / "in.bin";
    WriteFile(in, std::string("content with \0 a zero byte and more\n", 37));

    Script({"pin 123456"});
    std::string out;
    ASSERT_EQ(Ctl("file sign " + in + " " + *env_ / "out.p7s " + Pki(c.certificate), &out), 0)
        << out;
    ASSERT_EQ(RunCommand("openssl cms -verify -binary -inform DER -in " + *env_ / "out.p7s" +
                             " -CAfile " + Pki("ca.pem") + " -purpose any -out " +
                             *env_ / "verified.bin 2>&1",
                         &out),
              0)
        << out;
    EXPECT_EQ(ReadBytes(*env_ / "verified.bin"), ReadBytes(in));

    ASSERT_EQ(RunCommand("openssl cms -encrypt -binary -aes256 -in " + in + " -outform DER -out " +
                             *env_ / "env.p7m -recip " + Pki(c.certificate) + " " +
                             c.encryptOptions + " 2>&1",
                         &out),
              0)
        << out;
    Script({"pin 123456"});
    ASSERT_EQ(Ctl("file decrypt " + *env_ / "env.p7m " + *env_ / "opened.bin", &out), 0) << out;
    EXPECT_EQ(ReadBytes(*env_ / "opened.bin"), ReadBytes(in));
}

INSTANTIATE_TEST_SUITE_P(Keys, SoftHsmKeys,
                         ::testing::Values(KeyCase{"RsaPkcs1", "user.pem", ""},
                                           KeyCase{"RsaOaep", "user.pem",
                                                   "-keyopt rsa_padding_mode:oaep"},
                                           KeyCase{"Ec", "curve.pem", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SoftHsmCards, ATokenMadeMeanwhileIsListedAfterRefresh) {
    ASSERT_EQ(InvokeOn(1, "Login", {"pin 123456"}), 0);
    DrainSlotEvents();
    ASSERT_TRUE(InitToken("Second Card", kUserPin, kSoPin));
    // SoftHSM2 sees it only when started again, which "Refresh" does (ending its logins).
    EXPECT_EQ(Get("HaveSlotEvent"), "false");
    EXPECT_EQ(SlotOf("Second Card"), 0);
    EXPECT_EQ(app_->Invoke("Refresh"), 0);
    EXPECT_EQ(SlotOf("Second Card"), 4);
    EXPECT_EQ(SlotOf("Test Card"), 1);
    EXPECT_FALSE(LoggedIn(1));
}

TEST_F(SoftHsmCards, TheModulesP11KitListsAreUsedUnlessSystemIsZero) {
    // The machine's SoftHSM2 registration, with the test's own tokens.
    Restart("[PKCS11]\nSystem=1\n");
    EXPECT_EQ(SlotOf("Test Card"), 1);
    Restart("[PKCS11]\nSystem=0\n");
    EXPECT_TRUE(Enum("Token").empty());
}

TEST_F(SoftHsmCards, OpenScWithoutAReaderStartsAndListsNoCard) {
    const std::string trace = *env_ / "trace.txt";
    Restart(Modules({ORX_OPENSC_MODULE}) + "[Trace]\nFile=" + trace + "\n");
    EXPECT_TRUE(Enum("SlotCard").empty());
    EXPECT_TRUE(Enum("Token").empty());
    EXPECT_EQ(Get("HaveSlotEvent"), "false");
    const std::string lines = ReadFile(trace);
    EXPECT_NE(lines.find("opensc-pkcs11.so started"), std::string::npos) << lines;
    EXPECT_EQ(lines.find("fail"), std::string::npos) << lines;
}

}  // namespace
}  // namespace orx::testing
