// The real orx.so through the real binding and wrappers, in an isolated
// environment, with the scripted pinentry and cheap key derivation.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/test_environment.h"
#include "token/token_application.h"

namespace orx::testing {

class ModuleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        env_ = std::make_unique<IsolatedEnvironment>();
        vars_.push_back(std::make_unique<ScopedEnv>("ORX_PINENTRY", ORX_FAKE_PINENTRY));
        vars_.push_back(std::make_unique<ScopedEnv>("FAKE_PINENTRY_SCRIPT", ScriptPath().c_str()));
        vars_.push_back(std::make_unique<ScopedEnv>("FAKE_PINENTRY_LOG", LogPath().c_str()));
        vars_.push_back(std::make_unique<ScopedEnv>("ORX_TOKEN_KDF_LOG2N", "2"));
        vars_.push_back(std::make_unique<ScopedEnv>("DISPLAY", nullptr));
        vars_.push_back(std::make_unique<ScopedEnv>("WAYLAND_DISPLAY", nullptr));
        app_ = Start();
    }
    void TearDown() override {
        app_.reset();
        vars_.clear();
        env_.reset();
    }

    std::unique_ptr<TokenApplication> Start() {
        auto app = std::make_unique<TokenApplication>();
        app->StartPlugin();
        EXPECT_TRUE(app->IsInitialized());
        return app;
    }

    std::string ScriptPath() const { return *env_ / "pinentry.script"; }
    std::string LogPath() const { return *env_ / "pinentry.log"; }
    std::string TokenFolder() const { return *env_ / "data/orx/tokens/"; }

    // The answers of the next GETPINs: "pin TEXT", "cancel".
    void Script(std::initializer_list<std::string> lines) {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\n";
        WriteFile(ScriptPath(), text);
    }
    std::string ScriptLeft() const { return ReadFile(ScriptPath()); }
    std::string PinentryLog() const { return ReadFile(LogPath()); }

    std::optional<std::string> Get(const std::string& name) {
        return app_->GetPropertyString(name);
    }
    std::vector<std::string> Enum(const std::string& name) {
        std::vector<std::string> out;
        for (int i = 0; i < 1000; ++i) {
            auto entry = app_->EnumPropertyString(name, i);
            if (!entry)
                break;
            out.push_back(*entry);
        }
        return out;
    }
    int Create(const std::string& label, const std::string& password) {
        Script({"pin " + password, "pin " + password});
        app_->SetProperty("TokenLabel", label.c_str());
        return app_->Invoke("CreateToken");
    }

    static std::string FieldOf(const std::string& text, size_t index) {
        size_t start = 0;
        for (size_t i = 0; i < index; ++i) {
            start = text.find(';', start);
            if (start == std::string::npos)
                return {};
            ++start;
        }
        return text.substr(start, text.find(';', start) - start);
    }

    std::unique_ptr<IsolatedEnvironment> env_;
    std::vector<std::unique_ptr<ScopedEnv>> vars_;
    std::unique_ptr<TokenApplication> app_;
};

}  // namespace orx::testing
