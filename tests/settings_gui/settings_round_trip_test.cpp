// Every control of the sheet through the real module's configuration properties:
// what OK writes to which file, under which section name, and what the next opening
// of the sheet shows again.
#include <gtest/gtest.h>

#include <QComboBox>
#include <string>

#include "core/language.h"
#include "settings_fixture.h"

namespace orx::testing {
namespace {

struct BoxCase {
    int page;
    int id;
    bool perUser;         // else the installation-wide file
    const char* section;  // as written
    const char* key;
    bool inverted;   // stored 1 when the box is clear
    bool initially;  // with nothing stored
};

const BoxCase kBoxes[] = {
    {0, kIdTaskbarIcon, false, "Admin Utility", "TaskbarIcon", false, true},
    {0, kIdExplorerMenu, false, "Admin Utility", "ExplorerMenu", false, true},
    {0, kIdStartMenu, false, "Admin Utility", "StartMenu", false, true},
    {1, kIdEnableLogon, false, "Admin Utility", "EnableWinlogon", false, true},
    {2, kIdCspEnable, true, "Csp", "Enable", false, true},
    {2, kIdCspRemove, true, "Csp", "KeepCertificates", true, true},
    {2, kIdCspDisableSilent, true, "Csp", "DisableSilent", true, true},
    {2, kIdCspOverwrite, true, "Csp", "OverWrite", false, true},
    {2, kIdNetEnable, false, "NetControl", "Enable", false, true},
    {2, kIdNetAsk, false, "NetControl", "Ask", false, true},
    {2, kIdInstallPlugins, false, "Admin Utility", "InstallPlugins", false, true},
    {2, kIdGinaEnable, false, "Gina", "Enable", false, false},
};

using RoundTripTest = SettingsTest;

TEST_F(RoundTripTest, EveryCheckBoxStoresItsStateAndShowsItAgain) {
    InstallLogonComponent();
    for (const BoxCase& c : kBoxes) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        auto stored = [&] {
            return c.perUser ? User(c.section, c.key) : Machine(c.section, c.key);
        };
        auto encoding = [&](bool box) { return box != c.inverted ? "1" : "0"; };
        for (const bool box : {!c.initially, c.initially}) {
            bool shown = box;
            Show([&](SheetDriver& d) {
                ASSERT_TRUE(d.showPage(c.page));
                shown = d.checked(c.id);
                d.toggle(c.id);
                d.key(Qt::Key_Return);  // OK
            });
            EXPECT_EQ(shown, !box) << "the sheet showed what was stored before";
            EXPECT_EQ(stored(), encoding(box));
        }
        // Never in the other file.
        EXPECT_FALSE(StoredValue(c.perUser ? InstallFile() : UserFile(), c.section, c.key));
    }
    const StoredValues user = ParseStored(ReadFile(UserFile()));
    const StoredValues machine = ParseStored(ReadFile(InstallFile()));
    // The other letter case of the section names is only ever read.
    EXPECT_EQ(user.count("CSP"), 0u);
    EXPECT_EQ(machine.count("GINA"), 0u);
}

// Nothing stored: both inverted boxes are set; cleared, each stores 1.
TEST_F(RoundTripTest, InvertedBoxesStoreOneWhenClear) {
    Show([&](SheetDriver& d) {
        ASSERT_TRUE(d.showPage(2));
        EXPECT_TRUE(d.checked(kIdCspRemove));
        EXPECT_TRUE(d.checked(kIdCspDisableSilent));
        d.toggle(kIdCspRemove);
        d.toggle(kIdCspDisableSilent);
        d.click(kIdOk);
    });
    EXPECT_EQ(User("Csp", "KeepCertificates"), "1");
    EXPECT_EQ(User("Csp", "DisableSilent"), "1");
    // Stored 0 reads back as a set box, anything else as a clear one.
    WriteFile(UserFile(), "[CSP]\nKeepCertificates=0\nDisableSilent=7\n");
    Show([&](SheetDriver& d) {
        ASSERT_TRUE(d.showPage(2));
        EXPECT_TRUE(d.checked(kIdCspRemove));
        EXPECT_FALSE(d.checked(kIdCspDisableSilent));
        d.click(kIdCancel);
    });
}

// The user's value wins over the machine's for the CryptoAPI group.
TEST_F(RoundTripTest, CryptoApiBoxesShowTheEffectiveValue) {
    WriteFile(InstallFile(), "[CSP]\nEnable=0\nOverWrite=0\n");
    WriteFile(UserFile(), "[Csp]\nOverWrite=1\n");
    Show([&](SheetDriver& d) {
        ASSERT_TRUE(d.showPage(2));
        EXPECT_FALSE(d.checked(kIdCspEnable));
        EXPECT_TRUE(d.checked(kIdCspOverwrite));
        // Without propagation its details have nothing to say.
        EXPECT_FALSE(d.enabled(kIdCspOverwrite));
        d.toggle(kIdCspEnable);
        EXPECT_TRUE(d.enabled(kIdCspOverwrite));
        d.click(kIdCancel);
    });
}

TEST_F(RoundTripTest, CombosStoreOnlyWhatChanged) {
    struct Case {
        int id;
        const char* key;
        int data;
    };
    const Case cases[] = {
        {kIdDetect, "Detect", 20},
        {kIdDetect, "Detect", -1},
        {kIdDetect, "Detect", 0},
        {kIdMode, "Mode", 0},
        {kIdMode, "Mode", 1},
        {kIdLockTimeout, "LockTimeout", 50},
        {kIdLockTimeout, "LockTimeout", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + std::to_string(c.data));
        WriteFile(InstallFile(), "");
        Show([&](SheetDriver& d) {
            ASSERT_TRUE(d.showPage(1));
            ASSERT_TRUE(d.choose(c.id, c.data));
            d.click(kIdOk);
        });
        // Only the value that changed, nothing of the page's other values (the View
        // page, shown first, writes all of its own).
        StoredValues machine = ParseStored(ReadFile(InstallFile()));
        const bool changed = !(c.id == kIdMode && c.data == 1);
        if (changed) {
            EXPECT_EQ(machine["Smart Card Reader"],
                      (std::map<std::string, std::string>{{c.key, std::to_string(c.data)}}));
        } else {
            EXPECT_EQ(machine.count("Smart Card Reader"), 0u) << "the default was chosen again";
        }
        Show([&](SheetDriver& d) {
            ASSERT_TRUE(d.showPage(1));
            auto* combo = d.itemAs<QComboBox>(c.id);
            ASSERT_NE(combo, nullptr);
            EXPECT_EQ(combo->currentData().toInt(), c.data);
            d.key(Qt::Key_Escape);
        });
    }
}

TEST_F(RoundTripTest, StoredValuesSelectTheirEntry) {
    struct Case {
        const char* key;
        const char* stored;
        int id;
        const char* shown;  // "" for no entry
    };
    const Case cases[] = {
        {"Detect", "25", kIdDetect, "30 seconds"},
        {"Detect", "45", kIdDetect, "50 seconds"},
        {"Detect", "75", kIdDetect, "60 seconds (recommended)"},
        {"Detect", "-1", kIdDetect, "Infinite"},
        {"Detect", "0", kIdDetect, "0 seconds (disabled)"},
        {"Detect", "-25", kIdDetect, ""},
        {"Mode", "0", kIdMode, "EXCLUSIVE"},
        {"Mode", "5", kIdMode, "SHARED (recommended)"},
        {"Mode", "-2", kIdMode, "EXCLUSIVE"},
        {"LockTimeout", "15", kIdLockTimeout, "20 seconds"},
        {"LockTimeout", "75", kIdLockTimeout, "60 seconds"},
        {"LockTimeout", "-1", kIdLockTimeout, "0 seconds (disabled)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.stored);
        const std::string stored =
            "[Smart Card Reader]\n" + std::string(c.key) + "=" + c.stored + "\n";
        WriteFile(InstallFile(), stored);
        const int changed = Show([&](SheetDriver& d) {
            ASSERT_TRUE(d.showPage(1));
            auto* combo = d.itemAs<QComboBox>(c.id);
            ASSERT_NE(combo, nullptr);
            EXPECT_EQ(d.text(c.id), c.shown);
            EXPECT_EQ(combo->currentIndex() < 0, *c.shown == '\0');
            EXPECT_FALSE(d.enabled(kIdApply));
            d.click(kIdOk);
        });
        // Looking is no change: nothing is rounded on disk behind the user's back.
        EXPECT_EQ(changed, 0);
        EXPECT_EQ(ReadFile(InstallFile()), stored);
    }
}

TEST_F(RoundTripTest, TheLanguageIsTheUsersAndTakesEffectAtOnce) {
    const std::string french =
        "Fran\xC3\xA7"
        "ais";
    const int changed = Show([&](SheetDriver& d) {
        EXPECT_EQ(d.text(kIdLanguageList), "English");
        EXPECT_EQ(ToUtf8(d.window()->windowTitle()), GetTitleText(1014));
        ASSERT_TRUE(d.tabTo(kIdLanguageList));
        auto* list = d.itemAs<QComboBox>(kIdLanguageList);
        ASSERT_NE(list, nullptr);
        const int wanted = list->findText(ToQString(french));
        ASSERT_GE(wanted, 0);
        while (list->currentIndex() != wanted && list->currentIndex() < list->count() - 1)
            d.key(list->currentIndex() < wanted ? Qt::Key_Down : Qt::Key_Up);
        ASSERT_EQ(d.text(kIdLanguageList), french);
        d.click(kIdApply);
        // The sheet speaks the new language before it closes.
        EXPECT_EQ(GetCurrentLanguageName(), french);
        EXPECT_EQ(ToUtf8(d.window()->windowTitle()), GetTitleText(1014));
        EXPECT_NE(GetTitleText(1014).find("Param"), std::string::npos);
        EXPECT_EQ(ToUtf8(d.tabs()->tabText(1)), GetText(1301));
        EXPECT_EQ(d.text(kIdTaskbarIcon), GetText(1542));
        ASSERT_TRUE(d.showPage(1));
        EXPECT_EQ(d.text(kIdDetectLabel), GetText(1546));
        EXPECT_EQ(d.text(kIdDetect), "60 " + GetText(1551) + " (" + GetText(1550) + ")");
        d.click(kIdOk);
    });
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(User("Language", "Current"), french);
    EXPECT_FALSE(Machine("Language", "Current"));
    Show([&](SheetDriver& d) {
        EXPECT_EQ(d.text(kIdLanguageList), french);
        d.key(Qt::Key_Escape);
    });
}

// A stored name in another letter case selects its entry, and is no change.
TEST_F(RoundTripTest, AStoredLanguageIsFoundWhateverItsLetterCase) {
    WriteFile(UserFile(), "[Language]\nCurrent=deutsch\n");
    const int changed = Show([&](SheetDriver& d) {
        EXPECT_EQ(d.text(kIdLanguageList), "Deutsch");
        EXPECT_FALSE(d.enabled(kIdApply));
        d.click(kIdOk);
    });
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(User("Language", "Current"), "deutsch");
}

}  // namespace
}  // namespace orx::testing
