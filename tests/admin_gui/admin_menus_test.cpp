// The main window's menus as the plug-in's "Token" enumeration and the links of the
// configuration shape them, the trace switch, and the frame's own commands.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

#include <QComboBox>
#include <QTest>
#include <QDialogButtonBox>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>

#include "admin/admin_commands.h"
#include "admin_fixture.h"
#include "core/config_file.h"
#include "core/language.h"
#include "core/os/folders.h"
#include "core/system_paths.h"
#include "core/trace.h"
#include "dialogs/dlg.h"
#include "support/gui/modal_driver.h"
#include "ui/commands.h"
#include "ui/item_registry.h"
#include "ui/qt_text.h"
#include "ui/qt_translations.h"

namespace orx {
namespace {

using testing::AdminWindowTest;
using testing::MenuCommands;
using testing::MenuTexts;
using Texts = std::vector<std::string>;

class AdminMenusTest : public AdminWindowTest {
  protected:
    QMenu* Top(int position) const { return TopMenuAt(frame_->menuBar(), position); }
    QMenu* Action(int position) const { return SubMenuAt(frame_->ActionMenu(), position); }
};

TEST_F(AdminMenusTest, PasswordMenusFromTheTokenList) {
    AnswerList("Token",
               {"1;Alice (Authentication)", "4;R&D card", "7;Card three", "100;Soft token"});
    Open();
    EXPECT_EQ(MenuTexts(Action(kActionChangePassword)),
              (Texts{"Alice (Authentication)", "R&&D card", "Card three", "Soft token"}));
    EXPECT_EQ(MenuCommands(Action(kActionChangePassword)),
              (std::vector<int>{31001, 31004, 31007, 31100}));
    EXPECT_EQ(MenuCommands(Action(kActionUnlockPassword)), (std::vector<int>{31501, 31504, 31507}));
    EXPECT_TRUE(Action(kActionUnlockPassword)->menuAction()->isEnabled());
}

TEST_F(AdminMenusTest, WithoutTokensThePasswordMenusAreEmptyAndDisabled) {
    AnswerList("Token", {"100;Soft token", "500;Beyond the range"});
    Open();
    // 31500 would be an unlock command: that token gets no entry.
    EXPECT_EQ(MenuCommands(Action(kActionChangePassword)), std::vector<int>{31100});
    EXPECT_TRUE(MenuTexts(Action(kActionUnlockPassword)).empty());
    EXPECT_FALSE(Action(kActionUnlockPassword)->menuAction()->isEnabled());
}

TEST_F(AdminMenusTest, HelpMenuFromTheLinks) {
    const struct {
        const char* help;
        const char* support;
        Texts items;
    } cases[] = {
        {"", "", {"&About..."}},
        {"https://help.example.org", "", {"&Online-help...\tF1", "-", "&About..."}},
        {"", "https://support.example.org", {"Support", "-", "&About..."}},
        {"https://h.example.org",
         "https://s.example.org",
         {"Support", "&Online-help...\tF1", "-", "&About..."}},
    };
    for (const auto& c : cases) {
        fake_.ClearCalls();
        testing::WriteFile(fake_.controlFolder() + "/answers", "");
        if (*c.help)
            fake_.AnswerGet("Config:Links:Help", c.help);
        if (*c.support)
            fake_.AnswerGet("Config:Links:Support", c.support);
        app_.Finalize();
        Open();
        EXPECT_EQ(MenuTexts(Top(kMenuHelp)), c.items) << c.help << " " << c.support;
        frame_.reset();
    }
}

TEST_F(AdminMenusTest, SoftwareUpdatesOnlyWithItsLink) {
    Open();
    EXPECT_EQ(MenuTexts(Top(kMenuFile)), (Texts{"&Settings...\tCtrl+I", "-", "&Exit"}));
    frame_.reset();
    ASSERT_EQ(ConfigWriteString("Links", "Update", "https://update.example.org"), kConfigOk);
    Open();
    EXPECT_EQ(MenuTexts(Top(kMenuFile)),
              (Texts{"&Settings...\tCtrl+I", "&Software updates...", "-", "&Exit"}));
    frame_->OnCommand(kCmdSoftwareUpdate);
    EXPECT_EQ(Calls("PlgInvoke\tUpdate").size(), 1u);
}

TEST_F(AdminMenusTest, EveryCaptionFromTheStringTables) {
    ASSERT_EQ(ConfigWriteString("Language", "Current", "Deutsch"), kConfigOk);
    Open();
    Texts captions;
    for (QAction* action : frame_->menuBar()->actions())
        captions.push_back(action->text().toStdString());
    EXPECT_EQ(captions, (Texts{"&Datei", "&Aktion", "&Hilfe"}));
    EXPECT_EQ(
        MenuTexts(frame_->ActionMenu()),
        (Texts{"Kennwort ä&ndern", "Kennwort &entsperren", "&Soft-Token", "&Verzeichnisse", "-",
               "&Zertifikate", "Ö&ffentliches Fach", "P&rivates Fach", "-", "&Ablaufverfolgung"}));
    EXPECT_EQ(MenuTexts(Action(kActionCertificates)),
              (Texts{"&Anzeigen...", "-", "&Hinzufügen...", "&Exportieren...", "&Löschen"}));
    EXPECT_EQ(MenuCommands(Action(kActionPrivateBox)), (std::vector<int>{30094, 30089, 30088}));
}

TEST_F(AdminMenusTest, TracingSwitchedTwiceIsOffAgain) {
    ASSERT_EQ(ConfigWriteString("Links", "Mail", "support@example.org"), kConfigOk);
    Open();
    QMenu* trace = Action(kActionTrace);
    EXPECT_EQ(MenuTexts(trace), Texts{"&Enable\tCtrl+T"});
    const std::string file = GetUserDataFolder() + "orx.txt";
    testing::WriteFile(file, "old trace");

    frame_->OnCommand(kCmdTraceToggle);
    std::string stored;
    EXPECT_EQ(ConfigReadString("Trace", "File", stored), kConfigOk);
    EXPECT_EQ(stored, file);
    // A fresh trace: the old file went.
    EXPECT_FALSE(testing::PathExists(file));
    EXPECT_EQ(MenuTexts(trace), (Texts{"&Disable\tCtrl+T", "&Open", "&Send by e-mail"}));

    // As after a restart with tracing on: this program and the module trace.
    TraceSetFile(file);
    fake_.ClearCalls();
    frame_->OnCommand(kCmdTraceToggle);
    EXPECT_NE(ConfigReadString("Trace", "File", stored), kConfigOk);
    EXPECT_FALSE(TraceIsOn());
    EXPECT_FALSE(testing::PathExists(file));
    EXPECT_EQ(Calls("PlgSetProperty\tTrace"), Texts{"PlgSetProperty\tTrace\t"});
    EXPECT_EQ(MenuTexts(trace), Texts{"&Enable\tCtrl+T"});

    ASSERT_EQ(messages_.Messages().size(), 2u);
    EXPECT_EQ(messages_.Messages()[0].text, GetText(2119));
    EXPECT_EQ(messages_.Messages()[1].text, GetText(2114));
}

TEST_F(AdminMenusTest, ChangedSettingsBringTheNewLanguageEverywhere) {
    AnswerList("SlotSoft", {"100;Alice;alice"});
    fake_.AnswerGet("TokenInfo", "100;Alice;0A1B;Valdoran;Soft Token");
    Open();
    frame_->setWindowTitle(QString::fromStdString(GetTitleText(1003)));
    frame_->List()->SelectSlot(100);
    ASSERT_TRUE(SelectLanguage("Deutsch"));
    frame_->ApplySettingsChange();
    EXPECT_EQ(frame_->windowTitle().toStdString(), "Verwaltung - Orvex");
    EXPECT_EQ(Top(kMenuFile)->title().toStdString(), "&Datei");
    const int last = frame_->List()->count() - 1;
    EXPECT_EQ(frame_->List()->item(last)->text().toStdString(), "Orvex\nKomponenten");
    // The token stays selected and is shown again, with German headings.
    EXPECT_EQ(frame_->List()->GetSelectedSlot(), 100);
    EXPECT_EQ(frame_->View()->Tabs()->tabText(0).toStdString(), "Zertifikate");
    QDialogButtonBox buttons(QDialogButtonBox::Yes);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Yes)->text().toStdString(), "&Ja");
    InstallQtTranslations(kLanguageEnglish);
}

// Settings and directory search open their dialogs over the window; Exit closes it.
TEST_F(AdminMenusTest, SettingsSearchAndExit) {
    TraceSetFile(env_ / "adm.trace");
    Open();
    const struct {
        int command;
        int titleId;
    } dialogs[] = {{kCmdSettings, 1014}, {kCmdDirectorySearch, 1038}};
    for (const auto& d : dialogs) {
        std::string title;
        bool over = false;
        const ui_testing::ModalRun run = ui_testing::RunModal(
            [&] { return frame_->OnCommand(d.command) ? 1 : 0; },
            [&](QWidget* window) {
                title = ToUtf8(window->windowTitle());
                over = window->parentWidget() == frame_.get();
                QTest::keyClick(window, Qt::Key_Escape);
            });
        EXPECT_TRUE(run.ok()) << d.command << " " << run.error;
        EXPECT_FALSE(run.closedByDriver) << d.command;
        EXPECT_EQ(title, GetTitleText(d.titleId)) << d.command;
        EXPECT_TRUE(over) << d.command;
    }
    const std::string trace = testing::ReadFile(env_ / "adm.trace");
    for (const char* line :
         {"AdminMain - OnActionSettings ...", "AdminMain - OnActionSettings ... done"}) {
        EXPECT_NE(trace.find(line), std::string::npos) << line;
    }
    EXPECT_TRUE(frame_->isVisible());
    frame_->OnCommand(kCmdExit);
    EXPECT_FALSE(frame_->isVisible());
    TraceSetFile(nullptr);
}

// A language chosen in the settings sheet: after OK the window's title, menus and
// slot list are in that language at once.
TEST_F(AdminMenusTest, TheLanguageChosenInTheSettingsTakesEffectAtOnce) {
    fake_.AnswerGet("Config:Language:Current", "English");
    Open();
    const ui_testing::ModalRun run = ui_testing::RunModal(
        [&] { return frame_->OnCommand(kCmdSettings) ? 1 : 0; },
        [&](QWidget* window) {
            auto* list = FindItemAs<QComboBox>(window, 468);
            ASSERT_NE(list, nullptr);
            // Picked with the keyboard, as a user does: that is what marks the sheet changed.
            const int wanted = list->findText(QStringLiteral("Deutsch"));
            ASSERT_GE(wanted, 0);
            list->setFocus(Qt::TabFocusReason);
            for (int i = 0; i < list->count() && list->currentIndex() != wanted; ++i)
                QTest::keyClick(list, list->currentIndex() < wanted ? Qt::Key_Down : Qt::Key_Up);
            ASSERT_EQ(list->currentIndex(), wanted);
            QWidget* ok = FindItem(window, kIdOk);
            ASSERT_NE(ok, nullptr);
            QTest::mouseClick(ok, Qt::LeftButton, {}, ok->rect().center());
        });
    EXPECT_TRUE(run.ok()) << run.error;
    EXPECT_FALSE(run.closedByDriver);
    EXPECT_EQ(frame_->windowTitle().toStdString(), "Verwaltung - Orvex");
    EXPECT_EQ(Top(kMenuFile)->title().toStdString(), "&Datei");
    const int last = frame_->List()->count() - 1;
    EXPECT_EQ(frame_->List()->item(last)->text().toStdString(), "Orvex\nKomponenten");
    const std::vector<std::string> calls = fake_.Calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(),
                        "PlgSetProperty\tConfigLocal:Language:Current\tDeutsch"),
              calls.end());
    SelectLanguage("English");
    InstallQtTranslations(kLanguageEnglish);
}

// A client program that writes down how it was started.
void FakeClient(const std::string& folder, const std::string& record) {
    testing::WriteFile(folder + "/orx", "#!/bin/sh\necho \"$*\" >> '" + record + "'\n");
    ASSERT_EQ(::chmod((folder + "/orx").c_str(), 0755), 0);
}

TEST_F(AdminMenusTest, FrameCommandsReachThePluginAndTheClientProgram) {
    const std::string record = env_ / "client.log";
    FakeClient(fake_.programFolder(), record);
    const std::string trace = env_ / "with blank/adm.txt";
    ASSERT_TRUE(testing::MakePath(env_ / "with blank"));
    testing::WriteFile(trace, "x");
    const std::string copy = GetVirtualizedPath(trace);
    ASSERT_TRUE(testing::MakePath(copy.substr(0, copy.rfind('/'))));
    testing::WriteFile(copy, "y");
    ASSERT_EQ(ConfigWriteString("Trace", "File", trace), kConfigOk);
    Open();
    fake_.ClearCalls();
    for (int command : {kCmdAbout, kCmdHelp, kCmdSupport, kCmdTraceOpen, kCmdRefresh})
        frame_->OnCommand(command);
    EXPECT_EQ(Calls("PlgInvoke\tAbout").size(), 1u);
    EXPECT_EQ(Calls("PlgInvoke\tRefresh").size(), 1u);
    // Refresh reads the slot lists again.
    EXPECT_FALSE(Calls("PlgEnumProperty\tSlotCard\t0").empty());
    EXPECT_TRUE(testing::WaitForLines(record, 4));
    const std::string log = testing::ReadFile(record);
    for (const std::string& line : {std::string("-help"), std::string("-support"),
                                    "-viewnodelete " + trace, "-viewnodelete " + copy}) {
        EXPECT_NE(log.find(line + "\n"), std::string::npos) << line << " in\n" << log;
    }
}

TEST_F(AdminMenusTest, TraceByMail) {
    const std::string bin = env_ / "bin";
    ASSERT_TRUE(testing::MakePath(bin));
    const std::string record = env_ / "mail.log";
    testing::WriteFile(bin + "/xdg-email", "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\" >> '" +
                                               record + "'; done\n[ -e '" + env_ / "mail-fails" +
                                               "' ] && exit 3\nexit 0\n");
    ASSERT_EQ(::chmod((bin + "/xdg-email").c_str(), 0755), 0);
    testing::ScopedEnv path("PATH", (bin + ":" + getenv("PATH")).c_str());
    ASSERT_EQ(ConfigWriteString("Links", "Mail", "support@example.org"), kConfigOk);
    Open();
    frame_->OnCommand(kCmdTraceToggle);
    std::string file;
    ConfigReadString("Trace", "File", file);
    frame_->OnCommand(kCmdTraceMail);
    const std::string sent = testing::ReadFile(record);
    for (const std::string& part :
         {"--attach\n" + file + "\n", std::string("support@example.org\n"),
          std::string("--subject\nTrace file - Orvex\n")}) {
        EXPECT_NE(sent.find(part), std::string::npos) << part << " in\n" << sent;
    }
    EXPECT_EQ(messages_.Messages().size(), 1u);  // the "tracing is on" message only

    testing::WriteFile(env_ / "mail-fails", "");
    frame_->OnCommand(kCmdTraceMail);
    ASSERT_EQ(messages_.Messages().size(), 2u);
    EXPECT_NE(messages_.Messages()[1].text.find("Failed to open your e-mail client"),
              std::string::npos);
    EXPECT_EQ(messages_.Messages()[1].caption, "Error");
}

}  // namespace
}  // namespace orx
