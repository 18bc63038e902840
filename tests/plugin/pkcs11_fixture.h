// Cards of PKCS#11 modules through the real module: the modules named in the
// test's own configuration ("PKCS11"/"Modules"; the machine's stay out), the
// tests' mock module under names of its own, and the slot event poll.
#pragma once

#include <filesystem>

#include "card_fixture.h"

namespace orx::testing {

class Pkcs11Test : public CardTest {
  protected:
    void SetUp() override {
        CardTest::SetUp();
        std::filesystem::create_directories(MockDir());
        vars_.push_back(std::make_unique<ScopedEnv>("MOCK_PKCS11_DIR", MockDir().c_str()));
    }

    std::string MockDir() const { return *env_ / "mock"; }
    // A copy of the mock module named NAME.so (each name a module of its own, with a
    // state of its own), configured with `conf`.
    std::string Mock(const std::string& name, const std::string& conf) {
        const std::string path = MockDir() + "/" + name + ".so";
        if (!PathExists(path))
            std::filesystem::copy_file(ORX_MOCK_PKCS11, path);
        MockConf(name, conf);
        return path;
    }
    void MockConf(const std::string& name, const std::string& conf) {
        WriteFile(MockDir() + "/" + name + ".conf", conf);
    }
    std::string MockLog(const std::string& name) const {
        return ReadFile(MockDir() + "/" + name + ".log");
    }

    // Starts the module again with these settings in the per-user file.
    void Restart(const std::string& userConfig) {
        app_.reset();
        WriteFile(env_->userConfigPath(), userConfig);
        app_ = Start();
    }
    // The modules named, each on a line of its own in "PKCS11"/"Modules".
    static std::string Modules(std::initializer_list<std::string> paths) {
        std::string list;
        for (const std::string& path : paths)
            list += path + ";";
        return "[PKCS11]\nModules=" + list + "\n";
    }

    int InvokeOn(int slot, const char* operation, std::initializer_list<std::string> answers) {
        Script(answers);
        app_->SetActiveSlot(slot);
        return app_->Invoke(operation);
    }
    std::string Info(int slot, size_t field) {
        app_->SetActiveSlot(slot);
        return FieldOf(Get("TokenInfo").value_or(""), field);
    }
    bool LoggedIn(int slot) {
        app_->SetActiveSlot(slot);
        return Get("LoggedIn") == "true";
    }
};

}  // namespace orx::testing
