// The token content commands over the real module, as a user meets them: the
// window as the start makes it, the scripted pinentry for every password, file
// dialogs and message boxes answered from queues, and a client program that notes
// what it was asked to show. Tokens are cheap to derive; certificates come from the
// openssl command line.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "admin/admin_main.h"
#include "admin/admin_view.h"
#include "app/admin_settings.h"
#include "support/gui/file_dialog_answers.h"
#include "support/gui/message_sink.h"
#include "support/gui/modal_driver.h"
#include "support/test_environment.h"
#include "token/token_application.h"
#include "token/token_window_host.h"

namespace orx::testing {

using Texts = std::vector<std::string>;

// Notes, at every plug-in operation, whether the wait cursor was up.
class CursorWatch : public TokenWindowHost {
  public:
    void BeginWaitCursor() override;
    void EndWaitCursor() override {}
    PluginWindow GetMainWindow() override { return 0; }
    void RepaintMainWindowNow() override {}
    // One entry per operation since the last Clear: whether the cursor was shown.
    const std::vector<bool>& Seen() const { return seen_; }
    void Clear() { seen_.clear(); }

  private:
    std::vector<bool> seen_;
};

// A certificate made by openssl with its key: DER, PEM and key files.
struct MadeCertificate {
    std::string der;  // file paths
    std::string pem;
    std::string key;
    std::vector<uint8_t> bytes;  // the DER
};

class TokenCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the module (a new context: nobody logged in) and makes the window.
    void OpenWindow();
    // Ends the window and the module's context, as when the program ends.
    void CloseWindow();
    CAdminView* View() const { return frame_->View(); }
    // The command as the menus send it; the wait cursor must be up at each plug-in
    // operation it makes.
    void Command(int commandId);
    // Runs `command` (which opens a modal dialog) while `act` answers the dialog.
    ui_testing::ModalRun WithDialog(const std::function<void()>& command,
                                    const std::function<void(QWidget*)>& act);

    // The answers of the next password questions, in order ("pin X", "cancel").
    void Pins(std::initializer_list<std::string> answers);
    std::string PinsLeft() const;

    // Through the module directly, with its password asked twice: the new slot.
    int32_t CreateToken(const std::string& label, const std::string& password);
    int WriteCertificate(int32_t slot, const std::vector<uint8_t>& der);
    int WriteBox(int32_t slot, bool privateBox, const std::string& blob);
    // The box's data object as stored (nothing when absent), read in a context of
    // its own; a private one with that password.
    std::optional<std::vector<uint8_t>> StoredBox(int32_t slot, bool privateBox,
                                                  const std::string& password = {});
    // The Base64 certificates of the slot's "CertificateEx" entries, in order.
    Texts StoredCertificates(int32_t slot);
    // "TokenInfo" field 5 of the slot.
    std::string TokenFilePath(int32_t slot);

    MadeCertificate MakeCertificate(const std::string& name, const std::string& keyKind = "ec");
    // A PKCS#12 file of the certificate and its key, made by `openssl pkcs12 -export`.
    std::string MakePkcs12(const MadeCertificate& certificate, const std::string& password);

    // The texts of the content list's column.
    Texts Column(int column) const;
    // The texts of the messages shown since the last ClearMessages.
    Texts MessageTexts() const;
    void ClearMessages() { messageStart_ = messages_.Messages().size(); }
    std::string ClientLog() const;

    IsolatedEnvironment env_;
    std::string program_;
    ScopedEnv pinentry_{"ORX_PINENTRY", ORX_FAKE_PINENTRY};
    ScopedEnv script_{"FAKE_PINENTRY_SCRIPT", (env_ / "pin-script").c_str()};
    ScopedEnv cheap_{"ORX_TOKEN_KDF_LOG2N", "2"};
    ScopedEnv display_{"DISPLAY", nullptr};
    ScopedEnv wayland_{"WAYLAND_DISPLAY", nullptr};
    TokenApplication app_;
    CursorWatch cursor_;
    AdminSettings settings_;
    message_testing::ScopedMessageSink messages_;
    file_dialog_testing::ScopedFileDialogAnswers files_;
    std::unique_ptr<CAdminMain> frame_;
    size_t messageStart_ = 0;
};

}  // namespace orx::testing
