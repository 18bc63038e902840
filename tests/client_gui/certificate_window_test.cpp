#include "client/certificate_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "client/client_run.h"
#include "client/client_texts.h"
#include "client/save_file_dialog.h"
#include "client_gui/facts/test_certificates.h"
#include "client_gui/layout_checks.h"
#include "core/config_file.h"
#include "core/language.h"
#include "dialogs/message_sink.h"
#include "ui/item_registry.h"
#include "ui/qt_text.h"
#include "ui/testing/modal_driver.h"
#include "ui_gui/gui_test_support.h"

namespace orx {
namespace {

using testing::TestCert;

std::string LabelText(QWidget* window, int id) {
    auto* label = FindItemAs<QLabel>(window, id);
    return label != nullptr ? ToUtf8(label->text())
                            : std::string("<no label ") + std::to_string(id) + ">";
}

std::unique_ptr<CertificateWindow> OpenWindow(const std::string& file) {
    std::unique_ptr<CertificateWindow> window(
        static_cast<CertificateWindow*>(MakeCertificateWindow(file)));
    if (window) {
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QApplication::processEvents();
    }
    return window;
}

class CertificateWindowTest : public ::testing::TestWithParam<TestCert> {
  protected:
    testing::IsolatedEnvironment env;
    message_testing::ScopedMessageSink messages;
};

// What the window shows of each certificate, against openssl's own reading.
TEST_P(CertificateWindowTest, ShowsEveryFieldAsOpensslReadsIt) {
    const std::string file = testing::CertificatePath(GetParam());
    auto window = OpenWindow(file);
    ASSERT_TRUE(window);
    const testing::OpensslView openssl = testing::ViewWithOpenssl(file);
    const CertificateFacts& facts = window->Facts();
    QWidget* w = window.get();

    EXPECT_EQ(window->windowTitle().toStdString(), "Certificate - Orvex");
    EXPECT_EQ(LabelText(w, kItemSubjectName), facts.subjectDisplayName);
    EXPECT_EQ(LabelText(w, kItemIssuerName), facts.issuerDisplayName);
    EXPECT_EQ(LabelText(w, kItemSubjectText), facts.subjectReadable);
    EXPECT_EQ(LabelText(w, kItemIssuerText), facts.issuerReadable);
    EXPECT_EQ(FindItem(w, kItemSubjectText)->toolTip().toStdString(), openssl.subject);
    EXPECT_EQ(FindItem(w, kItemIssuerText)->toolTip().toStdString(), openssl.issuer);
    EXPECT_EQ(LabelText(w, kItemValidFrom), openssl.notBefore);
    EXPECT_EQ(LabelText(w, kItemValidTo), openssl.notAfter);
    EXPECT_EQ(LabelText(w, kItemSha1), openssl.sha1);
    std::string sha256 = LabelText(w, kItemSha256);
    std::replace(sha256.begin(), sha256.end(), '\n', ':');
    EXPECT_EQ(sha256, openssl.sha256);
    std::string serial = LabelText(w, kItemSerial);
    serial.erase(std::remove(serial.begin(), serial.end(), ':'), serial.end());
    std::transform(serial.begin(), serial.end(), serial.begin(), ::toupper);
    EXPECT_EQ(serial, openssl.serial);
    EXPECT_NE(LabelText(w, kItemPublicKey).find(std::to_string(openssl.keyBits) + " bits"),
              std::string::npos);

    const auto extensions = testing::OpensslExtensions(openssl.text);
    for (size_t i = 0; i < extensions.size(); ++i) {
        EXPECT_EQ(LabelText(w, kItemFirstExtension + static_cast<int>(i)),
                  facts.extensions[i].value);
        const std::string shown = LabelText(w, kItemFirstExtensionDetail + static_cast<int>(i));
        EXPECT_NE(shown.find("Object identifier: " + facts.extensions[i].oid), std::string::npos);
        EXPECT_NE(shown.find(extensions[i].critical ? "Critical: Yes" : "Critical: No"),
                  std::string::npos)
            << shown;
    }
    EXPECT_EQ(FindItem(w, kItemFirstExtension + static_cast<int>(extensions.size())), nullptr);

    const std::pair<TestCert, const char*> statuses[] = {
        {TestCert::Expired, "The certificate has expired."},
        {TestCert::NotYetValid, "The certificate is not yet valid."},
        {TestCert::Full, "The certificate is valid."}};
    for (const auto& [cert, text] : statuses) {
        if (cert == GetParam()) {
            EXPECT_EQ(LabelText(w, kItemStatus), text);
        }
    }
    testing::ExpectSoundLayout(w);
    EXPECT_FALSE(
        testing::SavePicture(w, std::string("certificate_") + testing::CertificateName(GetParam()))
            .empty());
    EXPECT_TRUE(messages.Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Certificates, CertificateWindowTest,
                         ::testing::Values(TestCert::Full, TestCert::CA, TestCert::Expired,
                                           TestCert::NotYetValid, TestCert::Ec),
                         [](const auto& info) {
                             return std::string(testing::CertificateName(info.param));
                         });

class CertificateWindowGerman : public ::testing::Test {
  protected:
    testing::IsolatedEnvironment env;
};

// Longer words: the layout must still hold.
TEST_F(CertificateWindowGerman, LayoutHoldsInGerman) {
    ASSERT_EQ(ConfigWriteString("Language", "Current", "Deutsch"), kConfigOk);
    auto window = OpenWindow(testing::CertificatePath(TestCert::Full));
    ASSERT_TRUE(window);
    EXPECT_EQ(LabelText(window.get(), kItemStatus), "Das Zertifikat ist gültig.");
    testing::ExpectSoundLayout(window.get());
    EXPECT_FALSE(testing::SavePicture(window.get(), "certificate_full_de").empty());
}

class CertificateSaveTest : public ::testing::Test {
  protected:
    void TearDown() override { save_dialog_testing::SetAnswer(nullptr); }
    testing::IsolatedEnvironment env;
    message_testing::ScopedMessageSink messages;
};

TEST_F(CertificateSaveTest, SavesDerAndPemThatOpensslReads) {
    auto window = OpenWindow(testing::CertificatePath(TestCert::Full));
    ASSERT_TRUE(window);
    std::vector<QString> suggested;
    std::string target = env / "saved.cer";
    save_dialog_testing::SetAnswer([&](const QString& path) {
        suggested.push_back(path);
        return ToQString(target);
    });
    QTest::mouseClick(FindItemAs<QPushButton>(window.get(), kItemSaveDer), Qt::LeftButton);
    EXPECT_EQ(testing::ReadBytes(target), testing::CertificateBytes(TestCert::Full));

    target = env / "saved.pem";
    // An existing file is replaced whole.
    testing::WriteFile(target, std::string(10000, 'x'));
    QTest::mouseClick(FindItemAs<QPushButton>(window.get(), kItemSavePem), Qt::LeftButton);
    EXPECT_EQ(testing::ReadFile(target),
              testing::ReadFile(testing::CertificatePemPath(TestCert::Full)));
    std::string fromPem;
    EXPECT_EQ(testing::RunCommand("openssl x509 -in '" + target + "' -noout -fingerprint -sha1",
                                  &fromPem),
              0);
    EXPECT_NE(fromPem.find(window->Facts().sha1), std::string::npos);

    ASSERT_EQ(suggested.size(), 2u);
    EXPECT_TRUE(suggested[0].endsWith("/Jane_Doe__Unit__Example_AB.cer"))
        << suggested[0].toStdString();
    EXPECT_TRUE(suggested[1].endsWith(".pem"));
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(CertificateSaveTest, FailedWriteIsToldAndCancelWritesNothing) {
    auto window = OpenWindow(testing::CertificatePath(TestCert::Full));
    ASSERT_TRUE(window);
    // A path below a regular file cannot be made, not even by root.
    testing::WriteFile(env / "plain", "x");
    const std::string bad = env / "plain/cert.cer";
    save_dialog_testing::SetAnswer([&](const QString&) { return ToQString(bad); });
    EXPECT_FALSE(window->SaveAs(false));
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0].text, "The certificate could not be saved to " + bad + ".");
    EXPECT_EQ(messages.Messages()[0].caption, "Error");

    save_dialog_testing::SetAnswer([&](const QString&) { return QString(); });
    EXPECT_FALSE(window->SaveAs(true));
    EXPECT_EQ(messages.Messages().size(), 1u);
}

// The real file dialog, typed into as a person would.
TEST_F(CertificateSaveTest, FileDialogTakesATypedPath) {
    auto window = OpenWindow(testing::CertificatePath(TestCert::CA));
    ASSERT_TRUE(window);
    const std::string target = env / "typed.cer";
    const auto run = ui_testing::RunModal(
        [&] { return window->SaveAs(false) ? 1 : 0; },
        [&](QWidget* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(edit, nullptr);
            EXPECT_EQ(edit->text().toStdString(), "Example_Root_CA__Example_AB.cer");
            edit->setText(ToQString(target));
            QTest::keyClick(edit, Qt::Key_Return);
        });
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(testing::ReadBytes(target), testing::CertificateBytes(TestCert::CA));
}

class CertificateFileTest : public ::testing::Test {
  protected:
    testing::IsolatedEnvironment env;
    message_testing::ScopedMessageSink messages;
};

TEST_F(CertificateFileTest, WhatIsNoCertificateGivesAMessage) {
    struct Case {
        const char* name;
        std::string content;
    } cases[] = {
        {"garbage.cer", "this is not a certificate\n"},
        {"empty.cer", ""},
        {"cut.cer", testing::ReadFile(testing::CertificatePath(TestCert::Full)).substr(0, 300)},
        {"bad.pem", "-----BEGIN CERTIFICATE-----\nAAAA\n-----END CERTIFICATE-----\n"},
    };
    for (const Case& c : cases) {
        const std::string file = env / c.name;
        testing::WriteFile(file, c.content);
        EXPECT_EQ(MakeCertificateWindow(file), nullptr) << c.name;
        ASSERT_FALSE(messages.Messages().empty());
        const auto& shown = messages.Messages().back();
        EXPECT_EQ(shown.text,
                  "The file " + file + " does not hold a certificate that can be read.");
        EXPECT_EQ(shown.caption, "Error - Orvex");
    }
    EXPECT_EQ(MakeCertificateWindow(env / "missing.cer"), nullptr);
    EXPECT_EQ(messages.Messages().size(), std::size(cases) + 1);
}

TEST_F(CertificateFileTest, OnlyTemporaryCopiesAreDeleted) {
    const std::string temporary = env / "~orx001.cer";
    const std::string kept = env / "mine.cer";
    testing::WriteFile(temporary, "x");
    testing::WriteFile(kept, "x");
    EXPECT_TRUE(DeleteViewedFile(temporary));
    EXPECT_FALSE(testing::PathExists(temporary));
    EXPECT_FALSE(DeleteViewedFile(kept));
    EXPECT_TRUE(testing::PathExists(kept));
    EXPECT_FALSE(DeleteViewedFile(temporary));
}

}  // namespace
}  // namespace orx
