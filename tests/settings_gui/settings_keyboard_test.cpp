// The sheet without a mouse: Tab reaches every control of each page in the order
// the page shows them, Ctrl+Tab changes pages, the labels' and boxes' access keys
// work, Enter is OK and Escape Cancel.
#include <gtest/gtest.h>

#include <QComboBox>

#include "settings_fixture.h"

namespace orx::testing {
namespace {

using KeyboardTest = SettingsTest;

TEST_F(KeyboardTest, TabReachesEveryControlInPageOrder) {
    InstallLogonComponent();
    WriteFile(InstallFile(), ReadFile(InstallFile()) + "[Smart Card Reader]\nAccepted=Desk;\n");
    const std::vector<int> pages[] = {
        {kIdLanguageList, kIdTaskbarIcon, kIdExplorerMenu, kIdStartMenu},
        {kIdDetect, kIdMode, kIdLockTimeout, kIdReaderList, kIdAddReader, kIdDeleteReader,
         kIdEnableLogon},
        {kIdCspEnable, kIdCspRemove, kIdCspDisableSilent, kIdCspOverwrite, kIdNetEnable, kIdNetAsk,
         kIdInstallPlugins, kIdGinaEnable},
    };
    Show([&](SheetDriver& d) {
        for (int page = 0; page < 3; ++page) {
            SCOPED_TRACE(page);
            ASSERT_TRUE(d.showPage(page));
            // From the tab bar once round: the page's controls, then the buttons.
            d.tabs()->tabBar()->setFocus(Qt::TabFocusReason);
            std::vector<int> forward;
            for (int i = 0; i < 20; ++i) {
                d.key(Qt::Key_Tab);
                if (d.focus() == d.tabs()->tabBar())
                    break;
                forward.push_back(d.focusId());
            }
            std::vector<int> expected = pages[page];
            expected.insert(expected.end(), {kIdOk, kIdCancel});
            EXPECT_EQ(forward, expected);
            // And back the same way.
            std::vector<int> backward;
            for (int i = 0; i < 20; ++i) {
                d.key(Qt::Key_Backtab, Qt::ShiftModifier);
                if (d.focus() == d.tabs()->tabBar())
                    break;
                backward.insert(backward.begin(), d.focusId());
            }
            EXPECT_EQ(backward, expected);
        }
        // Apply takes the focus once there is something to apply.
        d.toggle(kIdNetAsk);
        EXPECT_TRUE(d.tabTo(kIdApply));
        d.key(Qt::Key_Escape);
    });
}

TEST_F(KeyboardTest, AccessKeysAndPageKeys) {
    Show([&](SheetDriver& d) {
        // Ctrl+Tab forward round the pages, Ctrl+Shift+Tab back.
        d.tabs()->tabBar()->setFocus();
        for (int expected : {1, 2, 0}) {
            d.key(Qt::Key_Tab, Qt::ControlModifier);
            EXPECT_EQ(d.page(), expected);
        }
        d.key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(d.page(), 2);
        ASSERT_TRUE(d.showPage(1));
        const struct {
            Qt::Key key;
            int focus;
        } labels[] = {{Qt::Key_S, kIdDetect}, {Qt::Key_M, kIdMode}, {Qt::Key_T, kIdLockTimeout}};
        for (const auto& l : labels) {
            d.key(l.key, Qt::AltModifier);
            EXPECT_EQ(d.focusId(), l.focus) << l.focus;
        }
        // A box's access key clicks it the way a mouse does, pressed for a moment.
        auto flips = [&](Qt::Key key, int box) {
            const bool before = d.checked(box);
            d.key(key, Qt::AltModifier);
            return orx::ui_testing::WaitFor([&] { return d.checked(box) != before; }, 2000);
        };
        EXPECT_TRUE(flips(Qt::Key_W, kIdEnableLogon));
        ASSERT_TRUE(d.showPage(2));
        const struct {
            Qt::Key key;
            int box;
        } boxes[] = {{Qt::Key_R, kIdCspRemove},
                     {Qt::Key_U, kIdCspDisableSilent},
                     {Qt::Key_A, kIdNetAsk},
                     {Qt::Key_E, kIdNetEnable},
                     {Qt::Key_M, kIdCspEnable}};
        for (const auto& b : boxes)
            EXPECT_TRUE(flips(b.key, b.box)) << b.box;
        // Escape in a page is the sheet's Cancel.
        d.key(Qt::Key_Escape);
    });
    EXPECT_FALSE(Machine("NetControl", "Enable"));
    EXPECT_FALSE(User("Csp", "Enable"));
}

// Enter inside a page is OK, also with the focus on a page's button or list.
TEST_F(KeyboardTest, EnterInAPageIsOk) {
    WriteFile(InstallFile(), "[Smart Card Reader]\nAccepted=Desk;\n");
    Show([&](SheetDriver& d) {
        ASSERT_TRUE(d.showPage(1));
        ASSERT_TRUE(d.tabTo(kIdReaderList));
        d.key(Qt::Key_Return);
        EXPECT_TRUE(d.window()->isHidden());
    });
}

}  // namespace
}  // namespace orx::testing
