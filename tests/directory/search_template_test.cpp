// Search templates: which placeholder is filled, how, and from where.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/hex_text.h"
#include "core/trace.h"
#include "der/der_certificate.h"
#include "der/der_result.h"
#include "directory/search_template.h"
#include "directory/slapd_fixture.h"
#include "support/test_environment.h"
#include "token/fake_plugin_fixture.h"
#include "token/token_application.h"

namespace orx {
namespace {

using ::testing::Contains;
using ::testing::Not;

KeyDigest CountingDigest() {
    KeyDigest digest;
    for (size_t i = 0; i < digest.size(); ++i)
        digest[i] = static_cast<uint8_t>(i * 13 + 0xA0);
    return digest;
}

// Hex of CountingDigest(), plain and escaped.
const std::string kDigestHex = "A0ADBAC7D4E1EEFB0815222F3C495663707D8A97";

std::string Escaped(const std::string& hex) {
    std::string text;
    for (size_t i = 0; i < hex.size(); i += 2)
        text += "\\" + hex.substr(i, 2);
    return text;
}

struct Recorded {
    std::vector<std::string> asked;
    std::optional<std::string> serial = "00123456";
    std::optional<std::vector<uint8_t>> keyIdentifier =
        std::vector<uint8_t>{0x04, 0x02, 0x0F, 0xF0};

    TemplateSources Sources() {
        return {[this] {
                    asked.push_back("serial");
                    return serial;
                },
                [this] {
                    asked.push_back("keyIdentifier");
                    return keyIdentifier;
                },
                [this] {
                    asked.push_back("digest");
                    return CountingDigest();
                }};
    }
};

struct TemplateCase {
    const char* name;
    std::string searchTemplate;
    std::optional<std::string> expected;
    std::vector<std::string> asked;
};

TEST(SearchTemplate, FirstPlaceholderIsReplaced) {
    const std::string digest = Escaped(kDigestHex);
    const TemplateCase cases[] = {
        {"no placeholder", "(mail=jane@example.org)", "(mail=jane@example.org)", {}},
        {"empty template", "", "", {}},
        {"serial number unchanged",
         "(serialNumber=<cardserialnumber>)",
         "(serialNumber=00123456)",
         {"serial"}},
        {"serial number unescaped beside ;binary",
         "(userCertificate;binary=<cardserialnumber>)",
         "(userCertificate;binary=00123456)",
         {"serial"}},
        {"digest escaped for ;binary",
         "(&(objectClass=person)(keyDigest;binary=<publickeydigest>))",
         "(&(objectClass=person)(keyDigest;binary=" + digest + "))",
         {"digest"}},
        {"digest plain",
         "(keyDigest=<publickeydigest>)",
         "(keyDigest=" + kDigestHex + ")",
         {"digest"}},
        {"key identifier element with its header",
         "(ski=<subjectkeyidentifier>)",
         "(ski=04020FF0)",
         {"keyIdentifier"}},
        {";binary after the placeholder counts too",
         "(ski=<subjectkeyidentifier>)(x;binary=1)",
         "(ski=\\04\\02\\0F\\F0)(x;binary=1)",
         {"keyIdentifier"}},
        {"placeholders ignore case",
         "(ski=<SubjectKeyIdentifier>)",
         "(ski=04020FF0)",
         {"keyIdentifier"}},
        {"only the first placeholder",
         "(&(sn=<CARDSERIALNUMBER>)(kd=<publickeydigest>))",
         "(&(sn=00123456)(kd=<publickeydigest>))",
         {"serial"}},
        {"later text with < stays", "<publickeydigest><", kDigestHex + "<", {"digest"}},
        {"unknown placeholder", "(cn=<commonname>)", std::nullopt, {}},
        {"known one behind an unknown", "(a<b)(sn=<cardserialnumber>)", std::nullopt, {}},
        {"cut placeholder", "(sn=<cardserialnumber", std::nullopt, {}},
    };
    for (const TemplateCase& c : cases) {
        SCOPED_TRACE(c.name);
        Recorded recorded;
        EXPECT_EQ(ExpandTemplate(c.searchTemplate, recorded.Sources()), c.expected);
        EXPECT_EQ(recorded.asked, c.asked);
    }
}

TEST(SearchTemplate, MissingOrEmptyValuesGiveNothing) {
    Recorded noSerial;
    noSerial.serial = std::nullopt;
    EXPECT_EQ(ExpandTemplate("(sn=<cardserialnumber>)", noSerial.Sources()), std::nullopt);
    Recorded emptySerial;
    emptySerial.serial = "";
    EXPECT_EQ(ExpandTemplate("(sn=<cardserialnumber>)", emptySerial.Sources()), std::nullopt);
    Recorded noIdentifier;
    noIdentifier.keyIdentifier = std::nullopt;
    EXPECT_EQ(ExpandTemplate("(ski=<subjectkeyidentifier>)", noIdentifier.Sources()), std::nullopt);
    Recorded emptyIdentifier;
    emptyIdentifier.keyIdentifier = std::vector<uint8_t>{};
    EXPECT_EQ(ExpandTemplate("(ski=<subjectkeyidentifier>)", emptyIdentifier.Sources()),
              std::nullopt);
}

class CardSerialNumber : public ::testing::Test {
  protected:
    void Start() {
        ASSERT_EQ(application_.Initialize(0, 0, 0, 0), kPluginOk);
        fake_.ClearCalls();
    }

    testing::IsolatedEnvironment environment_;
    testing::FakePluginFolder fake_{environment_};
    TokenApplication application_;
};

struct SerialCase {
    const char* tokenInfo;
    size_t size;
    const char* expected;
};

TEST_F(CardSerialNumber, IsTheThirdFieldOfTokenInfoWithoutBlanks) {
    const SerialCase cases[] = {
        {"Orvex Card ; 4.2 ; 0012 3456 ; PIN", 32, "00123456"},
        {"a;b;c", 32, "c"},
        {"a;b", 32, ""},
        {"a;b;;d", 32, ""},
        {"a;b;123456789", 5, "1234"},
        {"a;b;"
         "\xC3\xA4"
         "x",
         3, "\xC3\xA4"},
    };
    for (const SerialCase& c : cases) {
        SCOPED_TRACE(c.tokenInfo);
        testing::IsolatedEnvironment environment;
        testing::FakePluginFolder fake(environment);
        fake.AnswerGet("TokenInfo", c.tokenInfo);
        TokenApplication application;
        ASSERT_EQ(application.Initialize(0, 0, 0, 0), kPluginOk);
        std::string serial = "old";
        EXPECT_EQ(GetCardSerialNumber(application, 4, serial, c.size), 0);
        EXPECT_EQ(serial, c.expected);
    }
}

// A real slot is made active before the token is asked; no slot leaves the active one.
TEST_F(CardSerialNumber, MakesTheSlotActiveFirstAndNoSlotNone) {
    fake_.AnswerGet("TokenInfo", "x;y;42");
    Start();
    for (int32_t slot : {0, -1, 7}) {
        fake_.ClearCalls();
        std::string serial;
        EXPECT_EQ(GetCardSerialNumber(application_, slot, serial), 0) << slot;
        EXPECT_EQ(serial, "42") << slot;
        const auto calls = fake_.Calls();
        const auto info = std::find(calls.begin(), calls.end(), "PlgGetProperty\tTokenInfo");
        ASSERT_NE(info, calls.end()) << slot;
        const auto active = std::find_if(calls.begin(), calls.end(), [](const std::string& call) {
            return call.starts_with("PlgSetProperty\tActiveSlot");
        });
        if (slot > 0) {
            ASSERT_NE(active, calls.end());
            EXPECT_EQ(*active, "PlgSetProperty\tActiveSlot\t7");
            EXPECT_LT(active, info);
        } else {
            EXPECT_EQ(active, calls.end()) << slot;
        }
    }
}

TEST_F(CardSerialNumber, AbsentTokenInfo) {
    Start();
    std::string serial = "old";
    EXPECT_EQ(GetCardSerialNumber(application_, 4, serial), kTokenInfoAbsent);
    EXPECT_EQ(serial, "");
}

TEST(PublicKeyDigest, IsTheSha1OfTheRsaKeyInsideTheKeyInfo) {
    testing::TempDir dir;
    const std::string key = dir / "key.pem";
    ASSERT_EQ(testing::RunCommand("openssl genrsa -out " + key + " 2048 2>/dev/null"), 0);
    ASSERT_EQ(testing::RunCommand("openssl rsa -in " + key + " -pubout -outform DER -out " +
                                  (dir / "spki.der") + " 2>/dev/null"),
              0);
    ASSERT_EQ(testing::RunCommand("openssl rsa -in " + key +
                                  " -RSAPublicKey_out -outform DER 2>/dev/null | "
                                  "openssl dgst -sha1 -binary > " +
                                  (dir / "digest") + " 2>/dev/null"),
              0);
    const std::vector<uint8_t> expected = testing::ReadBytes(dir / "digest");
    ASSERT_EQ(expected.size(), 20u);
    KeyDigest digest{};
    EXPECT_TRUE(PublicKeyInfoDigest(testing::ReadBytes(dir / "spki.der"), digest));
    EXPECT_EQ(std::vector<uint8_t>(digest.begin(), digest.end()), expected);
}

TEST(PublicKeyDigest, OtherKeysLeaveTheDigestAlone) {
    testing::TempDir dir;
    ASSERT_EQ(testing::RunCommand("openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 "
                                  "2>/dev/null | openssl pkey -pubout -outform DER -out " +
                                  (dir / "ec.der") + " 2>/dev/null"),
              0);
    const std::vector<uint8_t> garbage = {0x30, 0x03, 0x02, 0x01, 0x00};
    for (const auto& info : {testing::ReadBytes(dir / "ec.der"), garbage, std::vector<uint8_t>{}}) {
        KeyDigest digest = CountingDigest();
        EXPECT_FALSE(PublicKeyInfoDigest(info, digest));
        EXPECT_EQ(digest, CountingDigest());
    }
}

// A certificate made by openssl, with the values the placeholders must give as
// openssl itself prints them.
struct OpensslCertificate {
    std::vector<uint8_t> der;
    std::string keyIdentifierHex;  // extnValue with its header around the identifier
    std::string digestHex;         // SHA-1 of the RSA public key
};

OpensslCertificate MakeRsaCertificate(const testing::TempDir& dir) {
    OpensslCertificate made;
    const std::string cert = dir / "cert.der";
    if (testing::RunCommand("openssl req -x509 -newkey rsa:2048 -nodes -keyout " +
                            (dir / "key.pem") + " -subj /CN=Template -days 2 -outform DER -out " +
                            cert + " >/dev/null 2>&1") != 0)
        return made;
    made.der = testing::ReadBytes(cert);
    std::string text;
    testing::RunCommand("openssl x509 -inform DER -in " + cert +
                            " -noout -ext subjectKeyIdentifier 2>/dev/null | tail -n 1",
                        &text);
    std::erase_if(text, [](char c) { return c == ':' || c == ' ' || c == '\n'; });
    made.keyIdentifierHex = "04160414" + text;
    testing::RunCommand("openssl x509 -inform DER -in " + cert +
                            " -noout -pubkey | openssl rsa -pubin -RSAPublicKey_out -outform DER "
                            "2>/dev/null | openssl dgst -sha1 -r",
                        &text);
    made.digestHex = text.substr(0, 40);
    std::transform(made.digestHex.begin(), made.digestHex.end(), made.digestHex.begin(),
                   [](char c) { return static_cast<char>(std::toupper(c)); });
    return made;
}

class CertificateTemplate : public CardSerialNumber {};

TEST_F(CertificateTemplate, PlaceholdersComeFromTheCertificateAndItsToken) {
    testing::TempDir dir;
    const OpensslCertificate made = MakeRsaCertificate(dir);
    ASSERT_FALSE(made.der.empty());
    ASSERT_EQ(made.keyIdentifierHex.size(), 48u);
    DerCertificate certificate;
    ASSERT_EQ(certificate.Decode(made.der), DER_OK);
    fake_.AnswerGet("TokenInfo", "Orvex; 4.2 ; 77 88");
    Start();

    EXPECT_EQ(
        ExpandSearchTemplate(application_, 4, &certificate, "(serialNumber=<cardserialnumber>)"),
        "(serialNumber=7788)");
    EXPECT_THAT(fake_.Calls(), Contains("PlgSetProperty\tActiveSlot\t4"));
    EXPECT_EQ(ExpandSearchTemplate(application_, 4, &certificate, "(ski=<subjectkeyidentifier>)"),
              "(ski=" + made.keyIdentifierHex + ")");
    EXPECT_EQ(
        ExpandSearchTemplate(application_, 4, &certificate, "(keyDigest;binary=<publickeydigest>)"),
        "(keyDigest;binary=" + Escaped(made.digestHex) + ")");
    // The dialogs hold certificates as handles: the same values through one.
    const CertHandle handle = CertCreate(std::span<const uint8_t>(made.der));
    ASSERT_TRUE(handle);
    for (const char* searchTemplate :
         {"(ski=<subjectkeyidentifier>)", "<publickeydigest>", "x=<cardserialnumber>"}) {
        EXPECT_EQ(ExpandSearchTemplate(application_, 4, handle, searchTemplate),
                  ExpandSearchTemplate(application_, 4, &certificate, searchTemplate))
            << searchTemplate;
    }
    KeyDigest digest{};
    GetPublicKeyDigest(certificate, digest);
    EXPECT_EQ(made.digestHex, HexText(digest, HexCase::kUpper));
}

TEST_F(CertificateTemplate, WithoutRsaKeyOrCertificate) {
    Start();
    const auto ec = testing::MakeCertificate("/CN=Elliptic");
    DerCertificate certificate;
    ASSERT_EQ(certificate.Decode(ec), DER_OK);
    const std::string zeros(40, '0');
    EXPECT_EQ(ExpandSearchTemplate(application_, 4, &certificate, "<publickeydigest>"), zeros);
    EXPECT_EQ(ExpandSearchTemplate(application_, 4, nullptr, "<publickeydigest>"), zeros);
    EXPECT_EQ(ExpandSearchTemplate(application_, 4, CertHandle(), "<publickeydigest>"), zeros);
    EXPECT_EQ(ExpandSearchTemplate(application_, 4, CertHandle(), "<subjectkeyidentifier>"),
              std::nullopt);
    EXPECT_EQ(ExpandSearchTemplate(application_, 4, nullptr, "<subjectkeyidentifier>"),
              std::nullopt);
    // The token has no "TokenInfo".
    EXPECT_EQ(ExpandSearchTemplate(application_, 4, &certificate, "<cardserialnumber>"),
              std::nullopt);
}

}  // namespace
}  // namespace orx
