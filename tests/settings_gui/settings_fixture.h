// The settings sheet over the real module in an isolated environment: the
// installation-wide file exists and this process may write it (unless a test says
// otherwise), message boxes are recorded, and the two configuration files are read
// back from disk as they stand, section names in their written letter case.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "settings/show_settings.h"
#include "settings_driver.h"
#include "support/gui/machine_settings.h"
#include "support/gui/message_sink.h"
#include "support/gui/modal_driver.h"
#include "support/test_environment.h"
#include "token/token_application.h"

namespace orx::testing {

// section -> key -> value, exactly as the file holds them.
using StoredValues = std::map<std::string, std::map<std::string, std::string>>;

inline StoredValues ParseStored(const std::string& text) {
    StoredValues values;
    std::string section;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            values[section];
        } else if (const size_t equals = line.find('='); equals != std::string::npos) {
            values[section][line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return values;
}

inline std::optional<std::string> StoredValue(const std::string& path, const std::string& section,
                                              const std::string& key) {
    const StoredValues values = ParseStored(ReadFile(path));
    const auto s = values.find(section);
    if (s == values.end())
        return std::nullopt;
    const auto k = s->second.find(key);
    return k == s->second.end() ? std::nullopt : std::optional<std::string>(k->second);
}

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteFile(InstallFile(), "");
        app_.StartPlugin();
        ASSERT_TRUE(app_.IsInitialized());
    }
    void TearDown() override { settings_testing::SetMachineSettingsAllowed(std::nullopt); }

    std::string InstallFile() const { return env_.installFolder() + "orx.cfg"; }
    std::string UserFile() const { return env_.userConfigPath(); }
    std::optional<std::string> Machine(const std::string& section, const std::string& key) const {
        return StoredValue(InstallFile(), section, key);
    }
    std::optional<std::string> User(const std::string& section, const std::string& key) const {
        return StoredValue(UserFile(), section, key);
    }

    // The logon component counts as installed: a module file in the component folder.
    void InstallLogonComponent() {
        const std::string folder = env_ / "components/";
        std::filesystem::create_directories(folder);
        WriteFile(folder + "orxxgina.so", "");
        WriteFile(InstallFile(), "[Install]\nDirectory=" + folder + "\n");
    }

    // Runs ShowSettings over no window; `act` works on the sheet and ends it (a
    // sheet left open fails the test). ShowSettings' result.
    int Show(const std::function<void(SheetDriver&)>& act) {
        int changed = -1;
        const auto run = orx::ui_testing::RunModal([&] { return changed = ShowSettings(app_); },
                                                   [&](QWidget* window) {
                                                       SheetDriver driver(window);
                                                       act(driver);
                                                   },
                                                   20000);
        EXPECT_TRUE(run.ok()) << run.error;
        EXPECT_FALSE(run.closedByDriver) << "the sheet stayed open";
        return changed;
    }

    IsolatedEnvironment env_;
    TokenApplication app_;
    message_testing::ScopedMessageSink sink_;
};

}  // namespace orx::testing
