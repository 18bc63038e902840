// Puts a fake token plug-in module where the binding looks for it: a private
// program folder holding the fake as "orx.so", with the program path seam pointing
// there. The fake's answers and its record of calls live in a folder that the
// fake finds through $ORX_FAKE_PLUGIN_DIR.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/test_environment.h"

namespace orx::testing {

inline constexpr const char* kCompleteFake = "fake_plugin";
inline constexpr const char* kFakeWithoutClear = "fake_plugin_no_clear";
inline constexpr const char* kFakeWithoutEnum = "fake_plugin_no_enum";
inline constexpr const char* kFakeInitFails = "fake_plugin_init_fails";

class FakePluginFolder {
  public:
    // variant: one of the names above, or nullptr for a program folder without module.
    explicit FakePluginFolder(const IsolatedEnvironment& environment,
                              const char* variant = kCompleteFake);
    ~FakePluginFolder();

    const std::string& programFolder() const { return programFolder_; }
    const std::string& controlFolder() const { return controlFolder_; }
    static std::string VariantPath(const char* variant);

    // Answers the fake reads at its next PlgInitialize.
    void AddAnswer(std::string_view line);  // tab-separated, as the fake documents
    void AnswerGet(std::string_view name, std::string_view value);
    void AnswerEnum(std::string_view name, int index, std::string_view value);
    void AnswerInvoke(std::string_view operation, int result);
    void SetDelay(long microseconds);

    // Recorded calls, oldest first; the test may add its own marks in between.
    std::vector<std::string> Calls() const;
    void ClearCalls();
    void Mark(std::string_view line);

  private:
    std::string programFolder_;
    std::string controlFolder_;
    std::unique_ptr<ScopedEnv> controlVariable_;
};

// Lines of the trace file that contain `part`.
int CountTraceLines(const std::string& traceFile, std::string_view part);
// The messages of the trace lines that carry `prefix`, from the prefix on, in order.
std::vector<std::string> TraceMessages(const std::string& traceFile,
                                       std::string_view prefix = "Web - ");

}  // namespace orx::testing
