// Envelopes and signatures between the module and the S/MIME readers and writers
// people meet: the openssl command line (its CMS reader and its older PKCS#7 one)
// and NSS's cmsutil, the library behind common mail clients. NSS takes no
// self-signed end entity, so a small CA issues the user's certificate, and NSS gets
// a database of its own in the test's folder with the CA trusted and the user's key.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cms_module_fixture.h"

namespace orx::testing {
namespace {

constexpr const char* kEmail = "carol@example.org";

// The CA, Carol's CA-issued certificate and key, and the NSS database; made once
// for the test program. Every step's command must succeed.
struct InteropFiles {
    TempDir dir;
    TestIdentity ca{dir / "ca.key", dir / "ca.pem"};
    TestIdentity carol{dir / "carol.key", dir / "carol.pem"};
    std::string db = "sql:" + (dir / "nss");
    std::string failed;  // the first command that did not succeed

    InteropFiles() {
        const std::string extensions = dir / "carol.ext";
        WriteFile(extensions, std::string("basicConstraints=critical,CA:FALSE\n"
                                          "keyUsage=critical,digitalSignature,keyEncipherment\n"
                                          "extendedKeyUsage=emailProtection\n"
                                          "subjectAltName=email:") +
                                  kEmail + "\n");
        const std::vector<std::string> steps = {
            "openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj '/CN=Interop CA'"
            " -addext basicConstraints=critical,CA:TRUE"
            " -addext keyUsage=critical,keyCertSign,cRLSign -keyout " +
                Quote(ca.keyPath) + " -out " + Quote(ca.certPath),
            "openssl req -new -newkey rsa:2048 -nodes -subj '/CN=Carol/emailAddress=" +
                std::string(kEmail) + "' -keyout " + Quote(carol.keyPath) + " -out " +
                Quote(dir / "carol.csr"),
            "openssl x509 -req -days 30 -set_serial 2 -in " + Quote(dir / "carol.csr") + " -CA " +
                Quote(ca.certPath) + " -CAkey " + Quote(ca.keyPath) + " -extfile " +
                Quote(extensions) + " -out " + Quote(carol.certPath),
            "openssl pkcs12 -export -name carol -passout pass:nss-p12 -in " +
                Quote(carol.certPath) + " -inkey " + Quote(carol.keyPath) + " -certfile " +
                Quote(ca.certPath) + " -out " + Quote(dir / "carol.p12"),
            "mkdir " + Quote(dir / "nss") + " && certutil -N --empty-password -d " + Quote(db),
            "certutil -A -n ca -t C,C,C -d " + Quote(db) + " -i " + Quote(ca.certPath),
            "pk12util -W nss-p12 -K '' -d " + Quote(db) + " -i " + Quote(dir / "carol.p12"),
        };
        for (const std::string& step : steps) {
            // NSS's tools keep nothing in HOME with -d, but make sure of it.
            if (RunCommand("HOME=" + Quote(dir.path()) + " " + step + " >/dev/null 2>&1") != 0) {
                failed = step;
                return;
            }
        }
    }
};

enum class Kind { Envelope, Signature };
enum class Party { Module, OpensslCms, OpensslSmime, Cmsutil };

const char* Name(Party party) {
    switch (party) {
        case Party::Module:
            return "module";
        case Party::OpensslCms:
            return "openssl cms";
        case Party::OpensslSmime:
            return "openssl smime";
        case Party::Cmsutil:
            return "cmsutil";
    }
    return "?";
}

// What a mail client makes of a DER message: S/MIME with a Base64 body.
std::string AsSmime(const std::string& der, Kind kind) {
    std::string text =
        "MIME-Version: 1.0\nContent-Disposition: attachment; filename=\"smime.p7m\"\n"
        "Content-Type: application/pkcs7-mime; smime-type=";
    text += kind == Kind::Envelope ? "enveloped-data" : "signed-data";
    text += "; name=\"smime.p7m\"\nContent-Transfer-Encoding: base64\n\n";
    Base64Append({AsBytes(der)}, text, 64);
    return text;
}

class CmsInteropTest : public CmsModuleFixture {
  protected:
    static void SetUpTestSuite() { files_ = new InteropFiles(); }
    static void TearDownTestSuite() {
        delete files_;
        files_ = nullptr;
    }
    static const InteropFiles& Files() { return *files_; }

    void SetUp() override {
        CmsModuleFixture::SetUp();
        ASSERT_EQ("", Files().failed);
        TokenWith(Files().carol, "Carol token");
    }

    // The message as a file: DER bytes, or S/MIME text.
    std::optional<std::string> Make(Party maker, Kind kind, bool mime, const std::string& content) {
        if (maker == Party::Module) {
            app_->Invoke("Reset");
            const std::optional<std::string> answer = Run(
                kind == Kind::Envelope ? "Encrypt" : "Sign", content, mime, CertDer(Files().carol));
            if (!answer)
                return std::nullopt;
            return AsFile(*answer, mime);
        }
        EXPECT_EQ(Party::Cmsutil, maker);
        WriteFile(Path("content"), content);
        std::remove(Path("made").c_str());
        const std::string what = kind == Kind::Envelope ? std::string("-E -r ") + kEmail
                                                        : std::string("-S -N carol -p ''");
        if (RunCommand("cmsutil " + what + " -d " + Quote(Files().db) + " -i " +
                       Quote(Path("content")) + " -o " + Quote(Path("made")) +
                       " >/dev/null 2>&1") != 0)
            return std::nullopt;
        const std::string der = ReadFile(Path("made"));
        return mime ? AsSmime(der, kind) : der;
    }

    // The content the reader finds in the message, or nothing when it refuses it.
    std::optional<std::string> Read(Party reader, Kind kind, bool mime, const std::string& file) {
        const bool envelope = kind == Kind::Envelope;
        if (reader == Party::Module) {
            app_->Invoke("Reset");
            const std::optional<std::string> answer =
                Run(envelope ? "Decrypt" : "Verify", file, false);
            if (!answer)
                return std::nullopt;
            return Decoded(*answer);
        }
        const std::string in = Quote(Path("message"));
        const std::string out = Quote(Path("read"));
        std::string command;
        if (reader == Party::Cmsutil) {
            // It reads DER only.
            WriteFile(Path("message"), mime ? SmimeBody(file) : file);
            command = "cmsutil -D -p '' -d " + Quote(Files().db) + " -i " + in + " -o " + out;
        } else {
            WriteFile(Path("message"), file);
            command = std::string("openssl ") + (reader == Party::OpensslCms ? "cms" : "smime") +
                      " -binary -inform " + (mime ? "SMIME" : "DER") + " -in " + in + " -out " +
                      out +
                      (envelope ? " -decrypt -inkey " + Quote(Files().carol.keyPath) + " -recip " +
                                      Quote(Files().carol.certPath)
                                : " -verify -CAfile " + Quote(Files().ca.certPath));
        }
        std::remove(Path("read").c_str());
        if (RunCommand(command + " >/dev/null 2>&1") != 0)
            return std::nullopt;
        return ReadFile(Path("read"));
    }

    static inline InteropFiles* files_ = nullptr;
};

TEST_F(CmsInteropTest, MessagesOpenInEveryReader) {
    const std::string content = SampleContent(30000);
    const std::vector<Party> others = {Party::OpensslCms, Party::OpensslSmime, Party::Cmsutil};
    struct Row {
        Party maker;
        Kind kind;
        bool mime;
        std::vector<Party> readers;
    };
    const Row rows[] = {
        {Party::Module, Kind::Envelope, false, others},
        {Party::Module, Kind::Envelope, true, others},
        {Party::Module, Kind::Signature, false, others},
        {Party::Module, Kind::Signature, true, others},
        {Party::Cmsutil, Kind::Envelope, false, {Party::Module}},
        {Party::Cmsutil, Kind::Envelope, true, {Party::Module}},
        {Party::Cmsutil, Kind::Signature, false, {Party::Module}},
        {Party::Cmsutil, Kind::Signature, true, {Party::Module}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message()
                     << (row.kind == Kind::Envelope ? "envelope" : "signature") << " made by "
                     << Name(row.maker) << (row.mime ? ", S/MIME" : ", DER"));
        const std::optional<std::string> file = Make(row.maker, row.kind, row.mime, content);
        ASSERT_TRUE(file) << lastResult_;
        for (const Party reader : row.readers) {
            const std::optional<std::string> read = Read(reader, row.kind, row.mime, *file);
            ASSERT_TRUE(read) << "refused by " << Name(reader) << " (" << lastResult_ << ")";
            EXPECT_TRUE(*read == content) << "other content from " << Name(reader);
        }
    }
}

// The readers above do check: a signature whose content changed is refused by each.
TEST_F(CmsInteropTest, AChangedSignedContentIsRefusedByEveryReader) {
    const std::string content = SampleContent(3000);
    std::optional<std::string> file = Make(Party::Module, Kind::Signature, false, content);
    ASSERT_TRUE(file) << lastResult_;
    const size_t at = file->find("line one");
    ASSERT_NE(std::string::npos, at);
    (*file)[at] = 'L';
    for (const Party reader :
         {Party::Module, Party::OpensslCms, Party::OpensslSmime, Party::Cmsutil}) {
        EXPECT_FALSE(Read(reader, Kind::Signature, false, *file)) << Name(reader);
    }
}

}  // namespace
}  // namespace orx::testing
