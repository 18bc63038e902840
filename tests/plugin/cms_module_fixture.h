// The real orx.so's file operations as the wizard calls them, for tests that check
// what it makes with other programs and read back what those programs make.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "cms/cms_text.h"
#include "cms_test_support.h"
#include "module_fixture.h"

namespace orx::testing {

inline std::string Decoded(std::string text) {
    EXPECT_TRUE(Base64DecodeInPlace(text));
    return text;
}

// The DER inside an S/MIME message whose body is Base64 (application/pkcs7-mime):
// what a mail client hands to a reader that takes DER only. "" when there is none.
inline std::string SmimeBody(const std::string& message) {
    size_t cut = message.find("\r\n\r\n");
    size_t skip = 4;
    const size_t lf = message.find("\n\n");
    if (lf != std::string::npos && (cut == std::string::npos || lf < cut)) {
        cut = lf;
        skip = 2;
    }
    if (cut == std::string::npos)
        return {};
    std::string body = message.substr(cut + skip);
    return Base64DecodeInPlace(body) ? body : std::string();
}

class CmsModuleFixture : public ModuleTest {
  protected:
    std::string Path(std::string_view name) const { return *env_ / name; }

    std::string MakePkcs12(const TestIdentity& id, const std::string& password,
                           const std::string& options = "") {
        const std::string path = Path("id.p12");
        EXPECT_EQ(0, RunCommand("openssl pkcs12 -export " + options + " -in " + Quote(id.certPath) +
                                " -inkey " + Quote(id.keyPath) +
                                " -name 'Imported key' -passout pass:" + password + " -out " +
                                Quote(path)));
        return ReadFile(path);
    }

    std::string CertDer(const TestIdentity& id) {
        EXPECT_EQ(0, RunCommand("openssl x509 -in " + Quote(id.certPath) + " -outform DER -out " +
                                Quote(Path("cert.der"))));
        return ReadFile(Path("cert.der"));
    }

    // A new soft token holding the key and certificate of `id`, imported from
    // PKCS#12; the token stays logged in in this context.
    void TokenWith(const TestIdentity& id, const std::string& label) {
        ASSERT_EQ(0, Create(label, "token-pass"));
        const std::string p12 = MakePkcs12(id, "p12-pass");
        Script({"pin p12-pass", "pin token-pass"});
        app_->SetPropertyBytes("Certificate", AsBytes(p12));
        ASSERT_EQ(0, app_->Invoke("WriteCertificate"));
        app_->Invoke("Reset");
    }

    // The wizard's calls for one operation; the answer property's text.
    std::optional<std::string> Run(const char* operation, const std::string& data, bool mime,
                                   const std::string& certificate = {},
                                   const char* detached = "false") {
        app_->SetProperty("UrlEncode", "false");
        app_->SetPropertyBytes("Data", AsBytes(data));
        app_->SetProperty("Base64", mime ? "false" : "true");
        app_->SetProperty("MIME", mime ? "true" : "false");
        app_->SetProperty("Detached", detached);
        if (!certificate.empty())
            app_->SetPropertyBytes("Certificate", AsBytes(certificate));
        const int result = app_->Invoke(operation);
        lastResult_ = result;
        if (result != 0)
            return std::nullopt;
        return Get(std::string_view(operation) == "Sign" ? "Signature" : "Data");
    }

    // What a reader of the file sees: the DER, or the S/MIME text as it is.
    static std::string AsFile(const std::string& answer, bool mime) {
        return mime ? answer : Decoded(answer);
    }

    int lastResult_ = 0;
};

}  // namespace orx::testing
