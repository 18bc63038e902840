#include "client/certificate_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "client/client_run.h"
#include "client/client_texts.h"
#include "client_gui/facts/test_certificates.h"
#include "client_gui/layout_checks.h"
#include "core/config_file.h"
#include "core/language.h"
#include "dialogs/message_style.h"
#include "support/gui/file_dialog_answers.h"
#include "support/gui/message_sink.h"
#include "ui/item_registry.h"
#include "ui/qt_text.h"
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
    void TearDown() override { file_dialog_testing::SetFileDialogSink(nullptr); }
    // Every question of the save dialog is answered with `target`.
    void AnswerWith(const std::string& target) {
        file_dialog_testing::SetFileDialogSink([this, target](const FileDialogRequest& r) {
            requests.push_back(r);
            return target.empty() ? std::nullopt : std::optional<std::string>(target);
        });
    }
    QLabel* Saved(QWidget* window) { return FindItemAs<QLabel>(window, kItemSaved); }

    testing::IsolatedEnvironment env;
    message_testing::ScopedMessageSink messages;
    std::vector<FileDialogRequest> requests;
};

TEST_F(CertificateSaveTest, SavesDerAndPemThatOpensslReads) {
    auto window = OpenWindow(testing::CertificatePath(TestCert::Full));
    ASSERT_TRUE(window);
    const std::string der = env / "saved.cer";
    AnswerWith(der);
    QTest::mouseClick(FindItemAs<QPushButton>(window.get(), kItemSaveDer), Qt::LeftButton);
    EXPECT_EQ(testing::ReadBytes(der), testing::CertificateBytes(TestCert::Full));
    EXPECT_EQ(Saved(window.get())->text().toStdString(), "Saved to saved.cer.");

    // Without an extension the form's own is added.
    const std::string pem = env / "saved";
    AnswerWith(pem);
    QTest::mouseClick(FindItemAs<QPushButton>(window.get(), kItemSavePem), Qt::LeftButton);
    EXPECT_EQ(testing::ReadFile(pem + ".pem"),
              testing::ReadFile(testing::CertificatePemPath(TestCert::Full)));
    std::string fromPem;
    EXPECT_EQ(testing::RunCommand("openssl x509 -in '" + pem + ".pem' -noout -fingerprint -sha1",
                                  &fromPem),
              0);
    EXPECT_NE(fromPem.find(window->Facts().sha1), std::string::npos);

    ASSERT_EQ(requests.size(), 2u);
    EXPECT_FALSE(requests[0].open);
    EXPECT_EQ(requests[0].proposed, "Jane_Doe__Unit__Example_AB.cer");
    EXPECT_EQ(requests[0].pattern, "*.cer *.der");
    EXPECT_EQ(requests[1].proposed, "Jane_Doe__Unit__Example_AB.pem");
    // The second dialog opens where the first one saved.
    EXPECT_EQ(requests[1].folder, env.root());
    EXPECT_TRUE(messages.Messages().empty());
    testing::ExpectSoundLayout(window.get());
    EXPECT_FALSE(testing::SavePicture(window.get(), "certificate_saved").empty());
}

TEST_F(CertificateSaveTest, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
    auto window = OpenWindow(testing::CertificatePath(TestCert::Full));
    ASSERT_TRUE(window);
    const std::string target = env / "exists.cer";
    testing::WriteFile(target, std::string(10000, 'x'));
    AnswerWith(target);
    messages.QueueAnswer(kAnswerNo);
    EXPECT_FALSE(window->SaveAs(false));
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0].text,
              "File exists. Do you want to replace the existing file?");
    EXPECT_EQ(testing::ReadFile(target), std::string(10000, 'x'));
    messages.QueueAnswer(kAnswerYes);
    EXPECT_TRUE(window->SaveAs(false));
    EXPECT_EQ(testing::ReadBytes(target), testing::CertificateBytes(TestCert::Full));
}

TEST_F(CertificateSaveTest, FailedWriteIsToldAndCancelWritesNothing) {
    auto window = OpenWindow(testing::CertificatePath(TestCert::Full));
    ASSERT_TRUE(window);
    // A path below a regular file cannot be made, not even by root.
    testing::WriteFile(env / "plain", "x");
    const std::string bad = env / "plain/cert.cer";
    AnswerWith(bad);
    EXPECT_FALSE(window->SaveAs(false));
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0].text, "The certificate could not be saved to " + bad + ".");
    EXPECT_EQ(messages.Messages()[0].caption, "Error");
    EXPECT_TRUE(Saved(window.get())->text().isEmpty());

    AnswerWith("");
    EXPECT_FALSE(window->SaveAs(true));
    EXPECT_EQ(messages.Messages().size(), 1u);
}

class CertificateFileTest : public ::testing::Test {
  protected:
    testing::IsolatedEnvironment env;
    message_testing::ScopedMessageSink messages;
};

// Which inputs are refused is the facts' test; here: what the user is told.
TEST_F(CertificateFileTest, WhatIsNoCertificateGivesAMessage) {
    const std::string file = env / "garbage.cer";
    testing::WriteFile(file, "this is not a certificate\n");
    EXPECT_EQ(MakeCertificateWindow(file), nullptr);
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0].text,
              "The file " + file + " does not hold a certificate that can be read.");
    EXPECT_EQ(messages.Messages()[0].caption, "Error - Orvex");
    EXPECT_EQ(MakeCertificateWindow(env / "missing.cer"), nullptr);
    EXPECT_EQ(messages.Messages().size(), 2u);
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
