// The administration window against the fake module: answers written before the
// window is made, every call the module receives recorded, the frame built as the
// start builds it. Polls are run by calling the slot list's timer handler, so that
// a test knows exactly which calls one poll makes.
#pragma once

#include <gtest/gtest.h>

#include <QMenu>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "admin/admin_list.h"
#include "admin/admin_main.h"
#include "admin/admin_view.h"
#include "app/admin_settings.h"
#include "fake_plugin_fixture.h"
#include "support/gui/message_sink.h"
#include "support/test_environment.h"
#include "token/token_application.h"

namespace orx::testing {

// The token view with every token content command recorded instead of carried out.
class RecordingView : public CAdminView {
  public:
    using CAdminView::CAdminView;
    std::vector<std::string> commands;

    void OnChangePassword(int32_t slot) override { Note("change " + std::to_string(slot)); }
    void OnUnlockPassword(int32_t slot) override { Note("unlock " + std::to_string(slot)); }
    void OnSoftTokenNew() override { Note("new token"); }
    void OnSoftTokenAdd() override { Note("add token"); }
    void OnSoftTokenExport() override { Note("export token"); }
    void OnSoftTokenDelete() override { Note("delete token"); }
    void OnCertificateView() override { Note("view certificate"); }
    void OnCertificateAdd() override { Note("add certificate"); }
    void OnCertificateExport() override { Note("export certificate"); }
    void OnCertificateDelete() override { Note("delete certificate"); }
    void OnDataAdd(bool privateBox) override { Note(Box("add", privateBox)); }
    void OnDataEdit(bool privateBox) override { Note(Box("edit", privateBox)); }
    void OnDataDelete(bool privateBox) override { Note(Box("delete", privateBox)); }
    void OnCopy() override { Note("copy"); }
    void AddCertificate(int32_t slot, const std::string& file) override {
        Note("add " + file + " to " + std::to_string(slot));
    }

  private:
    void Note(std::string what) { commands.push_back(std::move(what)); }
    static std::string Box(const char* what, bool privateBox) {
        return std::string(what) + (privateBox ? " private" : " public");
    }
};

// The frame with the recording view as its right-hand pane.
class RecordingFrame : public CAdminMain {
  public:
    using CAdminMain::CAdminMain;
    RecordingView* Recorder() const { return static_cast<RecordingView*>(View()); }

  protected:
    CAdminView* CreateView(QWidget* parent) override;
};

class AdminWindowTest : public ::testing::Test {
  protected:
    // Loads the settings, starts the module and makes the frame as the start does;
    // with `firstPoll`, the first poll (timer 66) has run.
    RecordingFrame& Open(bool firstPoll = true);
    void Poll() { frame_->List()->OnTimer(kPollTimer); }

    // Calls recorded since the last ClearCalls that begin with `prefix`.
    std::vector<std::string> Calls(std::string_view prefix) const;
    // Answers of "SlotCard", "SlotSoft", ... one after the other from index 0.
    void AnswerList(std::string_view name, const std::vector<std::string>& entries);

    IsolatedEnvironment env_;
    FakePluginFolder fake_{env_};
    TokenApplication app_;
    AdminSettings settings_;
    message_testing::ScopedMessageSink messages_;
    std::unique_ptr<RecordingFrame> frame_;
};

// A data box blob with these entries, padded with 0x00 to `size` bytes.
std::string DataBoxBlob(const std::vector<std::pair<std::string, std::string>>& entries,
                        size_t size = 64);

// The texts of one column of the token view's content list, row by row.
std::vector<std::string> ContentColumn(const CAdminView* view, int column);
// Writes a data box (the blob, as DataBoxBlob makes it) through "UpdateObject", as the
// window's data box commands do.
int WriteDataBox(TokenApplication& app, int32_t slot, bool privateBox, const std::string& blob);

// Makes the folder and every missing one above it.
bool MakePath(const std::string& path);
// Waits (at most a few seconds) until the file has that many lines; another
// process writes it.
bool WaitForLines(const std::string& path, size_t lines);

// The texts of a menu's items in order ("-" for a separator, a submenu by its title).
std::vector<std::string> MenuTexts(QMenu* menu);
// The command ids of a menu's items in order (0 for separators and submenus).
std::vector<int> MenuCommands(QMenu* menu);

// Runs `open`, which shows a popup menu and waits for it; the popup's texts are
// read (with its submenus' texts after "> ") and then the item with `choose` is
// taken, or the popup is closed. Empty when no popup appeared.
std::vector<std::string> WithPopup(const std::function<void()>& open, int choose = 0);

}  // namespace orx::testing
