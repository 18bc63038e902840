// The CMS engine against the openssl command line: what the engine signs and
// encrypts, openssl verifies and decrypts to the same bytes, and the other way round.
#include <gtest/gtest.h>

#include <openssl/x509.h>

#include "cms/cms_engine.h"
#include "cms/cms_file_name.h"
#include "cms_test_support.h"
#include "results/module_results.h"

namespace orx::testing {
namespace {

std::string Decoded(std::string text) {
    EXPECT_TRUE(Base64DecodeInPlace(text));
    return text;
}

std::string Encoded(std::string_view bytes) {
    std::string out;
    Base64Append({AsBytes(bytes)}, out);
    return out;
}

std::string CertDer(X509* cert) {
    unsigned char* der = nullptr;
    const int n = i2d_X509(cert, &der);
    std::string out(reinterpret_cast<char*>(der), static_cast<size_t>(n));
    OPENSSL_free(der);
    return out;
}

class CmsEngineTest : public ::testing::Test, public CmsFilesSuite {
  protected:
    static void SetUpTestSuite() { MakeFiles(); }
    static void TearDownTestSuite() { RemoveFiles(); }

    void SetUp() override {
        alice_ = LoadCert(Files().alice.certPath);
        aliceKey_ = LoadKey(Files().alice.keyPath);
        bob_ = LoadCert(Files().bob.certPath);
        ASSERT_TRUE(alice_ && aliceKey_ && bob_);
    }

    std::string Path(std::string_view name) const { return Files() / name; }

    // Decrypts through the engine's steps with Alice's key.
    int Decrypt(CmsInput input, std::string& content, std::string& fileName) {
        int result = engine_.OpenEnvelope(input);
        if (result != CKR_OK)
            return result;
        EXPECT_TRUE(engine_.EnvelopeIsFor(alice_.get()));
        EXPECT_FALSE(engine_.EnvelopeIsFor(bob_.get()));
        std::string answer;
        result = engine_.DecryptEnvelope(alice_.get(), aliceKey_.get(), answer);
        fileName = engine_.envelopeFileName();
        engine_.CloseEnvelope();
        content = result == CKR_OK ? Decoded(answer) : std::string();
        return result;
    }

    CmsEngine engine_;
    X509Ptr alice_;
    PkeyPtr aliceKey_;
    X509Ptr bob_;
};

// Text as a clear-signed S/MIME message carries it: every line end CRLF.
std::string WithCrlf(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

TEST_F(CmsEngineTest, SignaturesVerifyWithOpensslAndGiveBackTheContent) {
    const std::string binary = SampleContent(5000);
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "Line " + std::to_string(i) + " of a text file\n";
    const struct {
        bool detached;
        bool mime;
        const std::string* content;
        std::string expected;
    } cases[] = {{false, false, &binary, binary},
                 {true, false, &binary, binary},
                 {false, true, &binary, binary},
                 {true, true, &text, WithCrlf(text)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "detached " << c.detached << " mime " << c.mime);
        const std::string& content = c.expected;
        WriteFile(Path("content.bin"), *c.content);
        std::string input = *c.content;
        std::string answer;
        ASSERT_EQ(CKR_OK,
                  engine_.Sign(input, alice_.get(), aliceKey_.get(), {c.detached, c.mime}, answer));
        EXPECT_TRUE(input.empty());  // the content was taken over and freed
        if (c.mime) {
            EXPECT_EQ(0u, answer.rfind("MIME-Version:", 0));
            WriteFile(Path("signed"), answer);
        } else {
            WriteFile(Path("signed"), Decoded(answer));
        }
        std::string command = "openssl cms -verify -binary -purpose any -inform " +
                              std::string(c.mime ? "SMIME" : "DER") + " -in " +
                              Quote(Path("signed")) + " -CAfile " + Quote(Files().alice.certPath) +
                              " -out " + Quote(Path("verified")) + " 2>&1";
        if (c.detached && !c.mime)
            command += " -content " + Quote(Path("content.bin"));
        std::string output;
        ASSERT_EQ(0, RunCommand(command, &output))
            << output << ReadFile(Path("signed")).substr(0, 800);
        EXPECT_TRUE(ReadFile(Path("verified")) == content);

        // The engine verifies its own attached and S/MIME signatures as well.
        if (!c.detached || c.mime) {
            CmsInput signedInput;
            ASSERT_TRUE(TakeDataInput(std::string(answer), signedInput));
            std::string verified;
            ASSERT_EQ(CKR_OK, engine_.Verify(signedInput, verified));
            EXPECT_TRUE(Decoded(verified) == content);
        }
    }
}

TEST_F(CmsEngineTest, OpensslSignaturesVerifyAndChangesAreFound) {
    const std::string binary = SampleContent(3000) + "MARKER-ABCDEFGH" + SampleContent(100);
    const std::string text = "First line\r\nMARKER-ABCDEFGH\r\nlast line\r\n";
    const struct {
        const char* what;
        const std::string* content;
        const char* options;
        bool mime;
        bool tamperable;  // the content stands in the file as it is
    } cases[] = {
        {"cms attached DER", &binary, "cms -sign -nodetach -binary -outform DER", false, true},
        {"smime clear-signed", &text, "smime -sign", true, true},
        {"smime opaque", &binary, "smime -sign -nodetach -binary", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(Path("in"), *c.content);
        ASSERT_EQ(0, RunCommand("openssl " + std::string(c.options) + " -in " + Quote(Path("in")) +
                                " -signer " + Quote(Files().alice.certPath) + " -inkey " +
                                Quote(Files().alice.keyPath) + " -out " + Quote(Path("out")) +
                                " 2>/dev/null"));
        const std::string file = ReadFile(Path("out"));
        const std::string handed = c.mime ? file : Encoded(file);
        CmsInput input;
        ASSERT_TRUE(TakeDataInput(std::string(handed), input));
        EXPECT_EQ(c.mime, input.mime);
        std::string answer;
        ASSERT_EQ(CKR_OK, engine_.Verify(input, answer));
        EXPECT_TRUE(Decoded(answer) == *c.content);

        CmsInput forList;
        ASSERT_TRUE(TakeDataInput(std::string(handed), forList));
        std::string list;
        ASSERT_EQ(CKR_OK, engine_.Certificates(forList, list));
        EXPECT_EQ(Encoded(CertDer(alice_.get())) + ";", list);

        if (!c.tamperable)
            continue;
        std::string changed = file;
        const size_t at = changed.find("MARKER-ABCDEFGH");
        ASSERT_NE(std::string::npos, at);
        changed[at + 7] = 'Z';
        CmsInput tampered;
        ASSERT_TRUE(TakeDataInput(c.mime ? changed : Encoded(changed), tampered));
        EXPECT_EQ(CKR_SIGNATURE_INVALID, engine_.Verify(tampered, answer));
        EXPECT_TRUE(answer.empty());
    }
}

TEST_F(CmsEngineTest, WhatCannotBeVerifiedIsRefused) {
    // A detached signature without its content, and bytes that are no PKCS#7.
    WriteFile(Path("in"), "content");
    ASSERT_EQ(0, RunCommand("openssl cms -sign -binary -outform DER -in " + Quote(Path("in")) +
                            " -signer " + Quote(Files().alice.certPath) + " -inkey " +
                            Quote(Files().alice.keyPath) + " -out " + Quote(Path("out"))));
    const std::string inputs[] = {Encoded(ReadFile(Path("out"))), Encoded("not a signature"),
                                  Encoded(std::string("\x30\x80\x06\x09", 4))};
    for (const std::string& text : inputs) {
        CmsInput input;
        ASSERT_TRUE(TakeDataInput(std::string(text), input));
        std::string answer;
        EXPECT_EQ(CKR_ATTRIBUTE_VALUE_INVALID, engine_.Verify(input, answer));
    }
    CmsInput garbage;
    ASSERT_TRUE(TakeDataInput(Encoded("not a signature"), garbage));
    std::string list;
    EXPECT_EQ(CKR_ATTRIBUTE_VALUE_INVALID, engine_.Certificates(garbage, list));
}

struct Algorithm {
    const char* oid;
    const char* name;
};

constexpr Algorithm kAlgorithms[] = {
    {"2.16.840.1.101.3.4.1.2", "AES-128"},
    {"2.16.840.1.101.3.4.1.22", "AES-192"},
    {"2.16.840.1.101.3.4.1.42", "AES-256"},
    {"1.2.840.113549.3.7", "3DES"},
    {"1.3.14.3.2.7", "DES"},
    {"1.2.840.113549.3.2", "RC2"},
    {"1.2.840.113549.3.4", "RC4"},
};

TEST_F(CmsEngineTest, EnvelopesDecryptWithOpensslToTheOriginalBytes) {
    // The legacy provider is loaded only when an old cipher is asked for.
    EXPECT_FALSE(engine_.library().legacyLoaded());
    const std::string content = SampleContent(70001);
    for (const Algorithm& algorithm : kAlgorithms) {
        for (const bool mime : {false, true}) {
            SCOPED_TRACE(::testing::Message() << algorithm.name << " mime " << mime);
            std::string input = content;
            std::string answer;
            ASSERT_EQ(CKR_OK, engine_.Encrypt(input, alice_.get(), algorithm.oid, "report.txt",
                                              mime, answer));
            WriteFile(Path("enc"), mime ? answer : Decoded(answer));
            if (!mime) {
                const std::string der = Decoded(answer);
                EXPECT_EQ(algorithm.oid, ReadContentCipherOid(AsBytes(der)));
                // Cut anywhere, the envelope gives its cipher or nothing, never a wrong one.
                for (size_t cut = 0; cut < 600; cut += 7) {
                    const std::string oid = ReadContentCipherOid(AsBytes(der).first(cut));
                    EXPECT_TRUE(oid.empty() || oid == algorithm.oid) << cut;
                }
            }
            ASSERT_EQ(0, RunCommand("openssl cms -decrypt -provider legacy -provider default "
                                    "-binary -inform " +
                                    std::string(mime ? "SMIME" : "DER") + " -in " +
                                    Quote(Path("enc")) + " -inkey " + Quote(Files().alice.keyPath) +
                                    " -recip " + Quote(Files().alice.certPath) + " -out " +
                                    Quote(Path("dec")) + " 2>/dev/null"));
            EXPECT_TRUE(ReadFile(Path("dec")) == content);

            CmsInput envelope;
            ASSERT_TRUE(TakeDataInput(std::move(answer), envelope));
            std::string decrypted, fileName;
            ASSERT_EQ(CKR_OK, Decrypt(std::move(envelope), decrypted, fileName));
            EXPECT_TRUE(decrypted == content);
            EXPECT_EQ("report.txt", fileName);
        }
    }
    EXPECT_TRUE(engine_.library().legacyLoaded());
}

TEST_F(CmsEngineTest, OpensslEnvelopesDecryptWithoutAName) {
    const std::string content = SampleContent(4000);
    WriteFile(Path("in"), content);
    const struct {
        const char* options;
        bool mime;
    } cases[] = {
        {"cms -encrypt -aes256 -binary -outform DER", false},
        {"smime -encrypt -des3 -binary", true},
        {"cms -encrypt -aes128 -binary -stream -outform DER", false},
        // Old ciphers: the message is read again where the legacy provider is.
        {"cms -encrypt -des -provider legacy -provider default -binary -outform DER", false},
        {"cms -encrypt -rc2 -provider legacy -provider default -binary -outform SMIME", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        ASSERT_EQ(0,
                  RunCommand("openssl " + std::string(c.options) + " -in " + Quote(Path("in")) +
                             " -out " + Quote(Path("out")) + " " + Quote(Files().alice.certPath)));
        const std::string file = ReadFile(Path("out"));
        CmsInput input;
        ASSERT_TRUE(TakeDataInput(c.mime ? std::string(file) : Encoded(file), input));
        std::string decrypted, fileName = "left over";
        ASSERT_EQ(CKR_OK, Decrypt(std::move(input), decrypted, fileName));
        EXPECT_TRUE(decrypted == content);
        EXPECT_EQ("", fileName);
    }
}

TEST_F(CmsEngineTest, PrivateKeysOfEveryKindAreRead) {
    const std::string ec = Path("ec.der");
    ASSERT_EQ(0, RunCommand("openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 "
                            "-outform DER -out " +
                            Quote(ec)));
    const std::string rsa = Path("rsa.p8");
    ASSERT_EQ(0, RunCommand("openssl pkcs8 -topk8 -nocrypt -in " + Quote(Files().alice.keyPath) +
                            " -outform DER -out " + Quote(rsa)));
    const std::string rsaBytes = ReadFile(rsa);
    const struct {
        std::string pkcs8;
        int type;  // 0: no key
    } cases[] = {
        {rsaBytes, EVP_PKEY_RSA},
        {ReadFile(ec), EVP_PKEY_EC},
        {rsaBytes.substr(0, rsaBytes.size() - 1), 0},
        {"not a key", 0},
        {"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pkcs8.size());
        PkeyPtr key = PrivateKeyFromPkcs8(AsBytes(c.pkcs8));
        EXPECT_EQ(c.type, key ? EVP_PKEY_get_base_id(key.get()) : 0);
    }
    EXPECT_EQ(1, EVP_PKEY_eq(PrivateKeyFromPkcs8(AsBytes(rsaBytes)).get(), aliceKey_.get()));
}

TEST_F(CmsEngineTest, EnvelopeForSomeoneElseIsNotOpened) {
    std::string input = "secret";
    std::string answer;
    ASSERT_EQ(CKR_OK,
              engine_.Encrypt(input, bob_.get(), "2.16.840.1.101.3.4.1.2", "", false, answer));
    CmsInput envelope;
    ASSERT_TRUE(TakeDataInput(std::move(answer), envelope));
    ASSERT_EQ(CKR_OK, engine_.OpenEnvelope(envelope));
    EXPECT_FALSE(engine_.EnvelopeIsFor(alice_.get()));
    EXPECT_TRUE(engine_.EnvelopeIsFor(bob_.get()));
    // Alice's key on Bob's envelope gives a failure, never bytes.
    std::string out;
    EXPECT_NE(CKR_OK, engine_.DecryptEnvelope(alice_.get(), aliceKey_.get(), out));
    EXPECT_TRUE(out.empty());
}

TEST_F(CmsEngineTest, UnknownAlgorithmsAreRefused) {
    for (const char* oid : {"", "1.2.3.4", "2.16.840.1.101.3.4.1.6"}) {
        std::string input = "data";
        std::string answer;
        EXPECT_EQ(CKR_MECHANISM_INVALID,
                  engine_.Encrypt(input, alice_.get(), oid, "", false, answer))
            << oid;
    }
}

TEST_F(CmsEngineTest, OnlyBaseNamesAreRecorded) {
    const struct {
        const char* given;
        const char* recorded;
    } cases[] = {
        {"report.txt", "report.txt"},
        {"/home/u/report.txt", "report.txt"},
        {"C:\\Users\\u\\a b.pdf", "a b.pdf"},
        {"../../etc/passwd", "passwd"},
        {"..", ""},
        {".", ""},
        {"dir/", ""},
        {"", ""},
        {"bad\nname", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given);
        EXPECT_EQ(c.recorded, SafeBaseName(c.given));
        std::string input = "x";
        std::string answer;
        ASSERT_EQ(CKR_OK, engine_.Encrypt(input, alice_.get(), "2.16.840.1.101.3.4.1.2", c.given,
                                          false, answer));
        CmsInput envelope;
        ASSERT_TRUE(TakeDataInput(std::move(answer), envelope));
        std::string decrypted, fileName;
        ASSERT_EQ(CKR_OK, Decrypt(std::move(envelope), decrypted, fileName));
        EXPECT_EQ(c.recorded, fileName);
        EXPECT_EQ("x", decrypted);
    }
}

}  // namespace
}  // namespace orx::testing
