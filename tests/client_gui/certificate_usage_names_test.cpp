// The certificate window names key usages and purposes in the user's language.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>

#include "client/certificate_window.h"
#include "client/client_run.h"
#include "client_gui/facts/test_certificates.h"
#include "core/config_file.h"
#include "ui/item_registry.h"
#include "ui/qt_text.h"

namespace orx {
namespace {

using testing::TestCert;

// The value labels of the extensions, one text.
std::string ExtensionValues(QWidget* window) {
    std::string values;
    for (int item = kItemFirstExtension; item < kItemFirstExtensionDetail; ++item) {
        auto* label = FindItemAs<QLabel>(window, item);
        if (label == nullptr)
            break;
        values += ToUtf8(label->text()) + "\n";
    }
    return values;
}

TEST(CertificateUsageNames, InTheChosenLanguage) {
    const struct {
        const char* language;
        std::vector<std::string> shown;
        std::vector<std::string> absent;
    } cases[] = {
        {"English",
         {"Digital Signature, Non Repudiation, Key Encipherment",
          "TLS Web Server Authentication (1.3.6.1.5.5.7.3.1)",
          "E-mail Protection (1.3.6.1.5.5.7.3.4)"},
         {}},
        {"Deutsch",
         {"Digitale Signatur, Nichtabstreitbarkeit, Schlüsselverschlüsselung",
          "TLS-Webserverauthentifizierung (1.3.6.1.5.5.7.3.1)", "Codesignatur (1.3.6.1.5.5.7.3.3)",
          "E-Mail-Schutz (1.3.6.1.5.5.7.3.4)"},
         {"Digital Signature", "Code Signing"}},
    };
    for (const auto& c : cases) {
        testing::IsolatedEnvironment env;
        ASSERT_EQ(ConfigWriteString("Language", "Current", c.language), kConfigOk);
        std::unique_ptr<QWidget> window(
            MakeCertificateWindow(testing::CertificatePath(TestCert::Full)));
        ASSERT_TRUE(window);
        const std::string values = ExtensionValues(window.get());
        for (const std::string& text : c.shown)
            EXPECT_NE(values.find(text), std::string::npos) << c.language << ": " << text << "\n"
                                                            << values;
        for (const std::string& text : c.absent)
            EXPECT_EQ(values.find(text), std::string::npos) << c.language << ": " << text;
    }
}

}  // namespace
}  // namespace orx
