// The sheet's own behaviour: when Apply is offered, what Cancel leaves, the reader
// list with its Add dialog, and an open sheet brought to the front by a second
// start instead of a second sheet.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QProcess>
#include <filesystem>

#include "core/language.h"
#include "core/trace.h"
#include "settings_fixture.h"

namespace orx::testing {
namespace {

using orx::ui_testing::RunModal;
using orx::ui_testing::WaitFor;

using SheetTest = SettingsTest;

TEST_F(SheetTest, ApplyFollowsChangesAndStaysOnWhenOneIsUndone) {
    const int changed = Show([&](SheetDriver& d) {
        EXPECT_FALSE(d.enabled(kIdApply));
        d.toggle(kIdTaskbarIcon);
        EXPECT_TRUE(d.enabled(kIdApply));
        d.toggle(kIdTaskbarIcon);
        EXPECT_TRUE(d.enabled(kIdApply)) << "undoing a change does not take Apply away";
        // Nothing differs from what was loaded, so nothing is saved.
        d.click(kIdApply);
        EXPECT_FALSE(d.enabled(kIdApply));
        EXPECT_FALSE(std::filesystem::exists(UserFile()));
        // A page never shown loads nothing and saves nothing.
        EXPECT_FALSE(d.sheet()->Page(1)->IsCreated());
        ASSERT_TRUE(d.showPage(2));
        EXPECT_FALSE(d.enabled(kIdApply));
        d.toggle(kIdNetAsk);
        EXPECT_TRUE(d.enabled(kIdApply));
        d.click(kIdCancel);
    });
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(ReadFile(InstallFile()), "");
    EXPECT_FALSE(std::filesystem::exists(UserFile()));
}

TEST_F(SheetTest, CancelKeepsWhatAnEarlierApplyWrote) {
    InstallLogonComponent();
    std::string user, machine;
    Show([&](SheetDriver& d) {
        ASSERT_TRUE(d.showPage(2));
        d.toggle(kIdCspOverwrite);
        d.toggle(kIdGinaEnable);
        d.click(kIdApply);
        user = ReadFile(UserFile());
        machine = ReadFile(InstallFile());
        EXPECT_EQ(User("Csp", "OverWrite"), "0");
        EXPECT_EQ(Machine("Gina", "Enable"), "1");
        // Changes on every page, then Cancel.
        d.toggle(kIdCspEnable);
        ASSERT_TRUE(d.showPage(1));
        ASSERT_TRUE(d.choose(kIdDetect, 10));
        ASSERT_TRUE(d.showPage(0));
        d.toggle(kIdStartMenu);
        ASSERT_TRUE(d.tabTo(kIdLanguageList));
        d.key(Qt::Key_Down);
        d.key(Qt::Key_Escape);
    });
    EXPECT_EQ(ReadFile(UserFile()), user);
    EXPECT_EQ(ReadFile(InstallFile()), machine);
    EXPECT_EQ(GetCurrentLanguageName(), "English");
}

// Opened and closed with OK, nothing changed: nothing is written, and the module
// is still told to take its settings over.
TEST_F(SheetTest, OkWithoutChangesWritesNothing) {
    const std::string trace = env_ / "trace.txt";
    WriteFile(InstallFile(), "[Admin Utility]\nTaskbarIcon=0\n");
    TraceSetFile(trace.c_str());
    app_.SetProperty("Trace", trace.c_str());
    const int changed = Show([&](SheetDriver& d) {
        EXPECT_FALSE(d.checked(kIdTaskbarIcon));
        ASSERT_TRUE(d.showPage(1));
        d.key(Qt::Key_Return);
    });
    EXPECT_EQ(changed, 0);
    EXPECT_FALSE(std::filesystem::exists(UserFile()));
    EXPECT_EQ(ReadFile(InstallFile()), "[Admin Utility]\nTaskbarIcon=0\n");
    const std::string lines = ReadFile(trace);
    EXPECT_NE(lines.find("Plg - ApplyConfig ... done"), std::string::npos) << lines;
    EXPECT_EQ(lines.find("Settings - ApplyAll"), std::string::npos) << lines;
}

TEST_F(SheetTest, ReaderListAddsAndDeletesNames) {
    for (const char* reader : {"Desk Reader", "Laptop Reader"})
        std::filesystem::create_directories(env_ / (std::string("data/orx/readers/") + reader));
    const std::string placeholder = GetText(kTextAllReaders);
    // Picks with the keyboard: `steps` times Down in the drop-down, or types `name`.
    auto add = [&](SheetDriver& d, int steps, const std::string& name,
                   std::vector<std::string>* offered = nullptr) {
        const auto run = RunModal(
            [&] {
                d.toggle(kIdAddReader);
                return 0;
            },
            [&](QWidget* dialog) {
                auto* names = FindItemAs<QComboBox>(dialog, kIdReaderName);
                ASSERT_NE(names, nullptr);
                EXPECT_EQ(ToUtf8(dialog->windowTitle()), GetTitleText(kTextAdd));
                if (offered != nullptr) {
                    for (int i = 0; i < names->count(); ++i)
                        offered->push_back(ToUtf8(names->itemText(i)));
                }
                QWidget* edit = QApplication::focusWidget();
                for (int i = 0; i < steps; ++i)
                    QTest::keyClick(edit, Qt::Key_Down);
                QTest::keyClicks(edit, ToQString(name));
                QTest::keyClick(edit, Qt::Key_Return);
            });
        EXPECT_TRUE(run.ok()) << run.error;
        // The keyboard is back in the sheet.
        EXPECT_TRUE(WaitFor([&] { return QApplication::activeWindow() == d.window(); }));
        EXPECT_EQ(d.focusId(), kIdAddReader);
        EXPECT_FALSE(run.closedByDriver);
    };
    Show([&](SheetDriver& d) {
        ASSERT_TRUE(d.showPage(1));
        EXPECT_EQ(d.listTexts(kIdReaderList), std::vector<std::string>{placeholder});
        EXPECT_FALSE(d.enabled(kIdReaderList));
        EXPECT_FALSE(d.enabled(kIdDeleteReader));
        std::vector<std::string> offered;
        add(d, 2, "", &offered);
        EXPECT_EQ(offered, (std::vector<std::string>{"Desk Reader", "Laptop Reader"}));
        EXPECT_EQ(d.listTexts(kIdReaderList), std::vector<std::string>{"Laptop Reader"});
        EXPECT_TRUE(d.enabled(kIdReaderList));
        EXPECT_TRUE(d.enabled(kIdDeleteReader));
        EXPECT_TRUE(d.enabled(kIdApply));
        // A name already there, and no name at all, change nothing.
        add(d, 2, "");
        add(d, 0, "");
        add(d, 0, "Kiosk Reader");
        EXPECT_EQ(d.listTexts(kIdReaderList),
                  (std::vector<std::string>{"Laptop Reader", "Kiosk Reader"}));
        d.key(Qt::Key_Return);
    });
    EXPECT_EQ(Machine("Smart Card Reader", "Accepted"), "Laptop Reader;Kiosk Reader;");

    Show([&](SheetDriver& d) {
        ASSERT_TRUE(d.showPage(1));
        EXPECT_EQ(d.listTexts(kIdReaderList),
                  (std::vector<std::string>{"Laptop Reader", "Kiosk Reader"}));
        // Without a selection the first goes; then the selected one.
        d.toggle(kIdDeleteReader);
        EXPECT_EQ(d.listTexts(kIdReaderList), std::vector<std::string>{"Kiosk Reader"});
        d.itemAs<QListWidget>(kIdReaderList)->setCurrentRow(0);
        d.click(kIdDeleteReader);
        EXPECT_EQ(d.listTexts(kIdReaderList), std::vector<std::string>{placeholder});
        EXPECT_FALSE(d.enabled(kIdDeleteReader));
        d.click(kIdOk);
    });
    EXPECT_EQ(Machine("Smart Card Reader", "Accepted"), "");
    // A list stored in another letter case is the same list: nothing to write.
    WriteFile(InstallFile(), "[Smart Card Reader]\nAccepted=laptop reader;\n");
    Show([&](SheetDriver& d) {
        ASSERT_TRUE(d.showPage(1));
        EXPECT_EQ(d.listTexts(kIdReaderList), std::vector<std::string>{"laptop reader"});
        EXPECT_FALSE(d.enabled(kIdApply));
        d.click(kIdOk);
    });
    EXPECT_EQ(Machine("Smart Card Reader", "Accepted"), "laptop reader;");
}

// Started without a window of its own while the administration window runs in
// another process, the sheet stands centred over that window.
TEST_F(SheetTest, WithoutAParentItStandsOverTheAdministrationWindowOfAnotherProcess) {
    QProcess owner;
    owner.setProgram(QStringLiteral(ORX_WINDOW_OWNER));
    owner.setArguments({ToQString(GetTitleText(kTextAdministrationTitle)), QStringLiteral("1500"),
                        QStringLiteral("900")});
    owner.start();
    ASSERT_TRUE(owner.waitForReadyRead(20000));
    ASSERT_EQ(owner.readLine().trimmed(), "ready");
    const std::optional<WindowPlace> place =
        LocateRegisteredWindow(GetTitleText(kTextAdministrationTitle));
    ASSERT_TRUE(place);
    const QRect frame(place->x, place->y, place->width, place->height);
    ASSERT_TRUE(frame.contains(1550, 950)) << place->x << "," << place->y;
    Show([&](SheetDriver& d) {
        const QPoint offset = d.window()->frameGeometry().center() - frame.center();
        EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
        d.key(Qt::Key_Escape);
    });
    owner.closeWriteChannel();
    EXPECT_TRUE(owner.waitForFinished(10000));
}

// While the sheet is open, asking for it again only brings it forward: in this
// process, and from a second start of the program.
TEST_F(SheetTest, ASecondStartBringsTheOpenSheetToTheFront) {
    Show([&](SheetDriver& d) {
        QWidget* sheet = d.window();
        EXPECT_EQ(ShowSettings(app_), 0);
        int sheets = 0;
        for (QWidget* top : QApplication::topLevelWidgets())
            sheets += top->isVisible() && top->windowTitle() == sheet->windowTitle();
        EXPECT_EQ(sheets, 1);

        sheet->showMinimized();
        ASSERT_TRUE(WaitFor([&] { return sheet->isMinimized(); }));
        QProcess second;
        second.start(ToQString(BinPath("orxxadm")), {QStringLiteral("-settings")});
        ASSERT_TRUE(WaitFor([&] { return second.state() == QProcess::NotRunning; }, 20000))
            << "the second start stays";
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.exitCode(), 0);
        EXPECT_TRUE(WaitFor([&] { return !sheet->isMinimized() && sheet->isVisible(); }))
            << "the sheet was not brought forward";
        d.click(kIdCancel);
    });
}

}  // namespace
}  // namespace orx::testing
