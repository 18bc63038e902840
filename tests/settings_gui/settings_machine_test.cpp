// A user who may not change the machine's settings: told so once, the machine-wide
// controls greyed, and after OK only the user's own values (the language and the
// four CryptoAPI values) changed on disk. Once in this process with the answer
// forced, where every write would succeed, and once in a process of a user who
// really cannot write the installation-wide file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "core/language.h"
#include "dialogs/message_text.h"
#include "settings_fixture.h"

namespace orx::testing {
namespace {

namespace fs = std::filesystem;

const char kMachineValues[] =
    "[Admin Utility]\nTaskbarIcon=1\nExplorerMenu=0\nStartMenu=1\nEnableWinlogon=1\n"
    "InstallPlugins=1\n[Smart Card Reader]\nDetect=30\nMode=1\nLockTimeout=20\n"
    "Accepted=Desk Reader;\n[NetControl]\nEnable=1\nAsk=1\n[Gina]\nEnable=0\n";

// (page, control) that a user without the right finds greyed.
const std::set<std::pair<int, int>> kGreyed = {
    {0, kIdTaskbarIcon},    {0, kIdExplorerMenu}, {0, kIdStartMenu},  {1, kIdDetect},
    {1, kIdMode},           {1, kIdLockTimeout},  {1, kIdReaderList}, {1, kIdAddReader},
    {1, kIdDeleteReader},   {1, kIdEnableLogon},  {2, kIdNetEnable},  {2, kIdNetAsk},
    {2, kIdInstallPlugins}, {2, kIdGinaEnable},
};

void ExpectOnlyTheUsersValues(const std::string& userFile) {
    const StoredValues user = ParseStored(ReadFile(userFile));
    std::set<std::string> sections, csp;
    for (const auto& [section, keys] : user)
        sections.insert(section);
    EXPECT_EQ(sections, (std::set<std::string>{"Language", "Csp"}));
    ASSERT_EQ(user.count("Csp"), 1u);
    for (const auto& [key, value] : user.at("Csp"))
        csp.insert(key);
    EXPECT_EQ(csp,
              (std::set<std::string>{"Enable", "KeepCertificates", "DisableSilent", "OverWrite"}));
    ASSERT_EQ(user.count("Language"), 1u);
    EXPECT_EQ(user.at("Language").size(), 1u);
}

using MachineSettingsTest = SettingsTest;

TEST_F(MachineSettingsTest, WithoutTheRightOnlyTheUsersValuesAreWritten) {
    InstallLogonComponent();
    const std::string machine = ReadFile(InstallFile()) + kMachineValues;
    WriteFile(InstallFile(), machine);
    settings_testing::SetMachineSettingsAllowed(false);
    std::set<std::pair<int, int>> greyed;
    Show([&](SheetDriver& d) {
        ASSERT_EQ(sink_.Messages().size(), 1u);
        EXPECT_EQ(sink_.Messages()[0].text,
                  PrepareMessageText(GetText(kMessageNeedAdministrator), ""));
        for (int page = 0; page < 3; ++page) {
            ASSERT_TRUE(d.showPage(page));
            for (QWidget* control : d.pageWindow()->findChildren<QWidget*>()) {
                if (ItemId(control) != kNoItemId && control->isVisible() && !control->isEnabled())
                    greyed.emplace(page, ItemId(control));
            }
        }
        // What is left to the user: the language and the CryptoAPI group.
        ASSERT_TRUE(d.showPage(0));
        ASSERT_TRUE(d.tabTo(kIdLanguageList));
        d.key(Qt::Key_Up);
        d.click(kIdTaskbarIcon);
        ASSERT_TRUE(d.showPage(1));
        d.click(kIdEnableLogon);
        ASSERT_TRUE(d.showPage(2));
        d.toggle(kIdCspRemove);
        d.click(kIdNetEnable);
        d.click(kIdGinaEnable);
        EXPECT_TRUE(d.enabled(kIdApply));
        d.click(kIdOk);
    });
    EXPECT_EQ(greyed, kGreyed);
    EXPECT_EQ(ReadFile(InstallFile()), machine);
    ExpectOnlyTheUsersValues(UserFile());
    EXPECT_EQ(User("Csp", "KeepCertificates"), "1");
    EXPECT_EQ(User("Language", "Current"), "Deutsch");
}

// The sheet in a process of a user who cannot write the installation-wide file:
// as root, "nobody" through setpriv; as anyone else, the user himself with the
// file and its folder made read-only.
TEST(SettingsAsAnotherUserTest, OnlyTheUsersValuesChangeOnDisk) {
    TempDir dir;
    const bool root = ::geteuid() == 0;
    const uid_t runner = root ? 65534 : ::geteuid();
    const gid_t group = root ? 65534 : ::getegid();
    ::chmod(dir.path().c_str(), 0755);
    for (const char* sub : {"home", "config", "data", "cache", "runtime", "user", "install"})
        fs::create_directories(dir / sub);
    const std::string install = dir / "install/orx.cfg";
    WriteFile(install, kMachineValues);
    for (const char* sub : {"home", "config", "data", "cache", "runtime", "user"}) {
        ASSERT_EQ(::chown((dir / sub).c_str(), runner, group), 0) << sub;
        ::chmod((dir / sub).c_str(), 0700);
    }
    if (!root) {
        ::chmod(install.c_str(), 0444);
        ::chmod((dir / "install").c_str(), 0555);
    }
    const std::string machine = ReadFile(install);
    std::ostringstream command;
    if (root)
        command << "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    command << "env -i PATH=/usr/bin:/bin HOME=" << dir / "home"
            << " XDG_CONFIG_HOME=" << dir / "config"
            << " XDG_DATA_HOME=" << dir / "data"
            << " XDG_CACHE_HOME=" << dir / "cache"
            << " XDG_RUNTIME_DIR=" << dir / "runtime"
            << " TMPDIR=" << dir / "user"
            << " configorx=" << dir / "user/user.cfg"
            << " ORX_INSTALL_LOCATION=" << dir / "install/"
            << " QT_QPA_PLATFORM=offscreen " << ORX_SHEET_RUNNER << " 2>&1";
    std::string output;
    const int status = RunCommand(command.str(), &output);
    ::chmod((dir / "install").c_str(), 0755);
    ASSERT_EQ(status, 0) << output;

    std::set<std::pair<int, int>> greyed;
    std::istringstream lines(output);
    std::string word;
    std::vector<std::string> messages;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        fields >> word;
        if (word == "disabled") {
            int page = 0, id = 0;
            fields >> page >> id;
            greyed.emplace(page, id);
        } else if (word == "message") {
            messages.push_back(line.substr(8));
        }
    }
    // The runner's own language is English: nothing chose another before it.
    IsolatedEnvironment english;
    EXPECT_EQ(messages,
              std::vector<std::string>{PrepareMessageText(GetText(kMessageNeedAdministrator), "")})
        << output;
    std::set<std::pair<int, int>> expected = kGreyed;
    expected.erase({2, kIdGinaEnable});  // no logon component here
    EXPECT_EQ(greyed, expected) << output;
    EXPECT_EQ(ReadFile(install), machine);
    ExpectOnlyTheUsersValues(dir / "user/user.cfg");
}

}  // namespace
}  // namespace orx::testing
