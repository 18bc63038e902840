#include "fake_plugin_fixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/product_identity.h"

namespace orx::testing {

FakePluginFolder::FakePluginFolder(const IsolatedEnvironment& environment, const char* variant)
    : programFolder_(environment / "program"), controlFolder_(environment / "fake") {
    std::filesystem::create_directories(programFolder_);
    std::filesystem::create_directories(controlFolder_);
    if (variant != nullptr) {
        const std::string target = VariantPath(variant);
        std::error_code error;
        std::filesystem::create_symlink(target, programFolder_ + "/orx.so", error);
    }
    SetProgramPath(programFolder_ + "/orxxadm");
    controlVariable_ = std::make_unique<ScopedEnv>("ORX_FAKE_PLUGIN_DIR", controlFolder_.c_str());
    WriteFile(controlFolder_ + "/answers", "");
}

FakePluginFolder::~FakePluginFolder() = default;

std::string FakePluginFolder::VariantPath(const char* variant) {
    return std::string(ORX_FAKE_PLUGINS) + "/" + variant + ".so";
}

void FakePluginFolder::AddAnswer(std::string_view line) {
    std::ofstream out(controlFolder_ + "/answers", std::ios::app);
    out << line << "\n";
}

void FakePluginFolder::AnswerGet(std::string_view name, std::string_view value) {
    AddAnswer("get\t" + std::string(name) + "\t" + std::string(value));
}

void FakePluginFolder::AnswerEnum(std::string_view name, int index, std::string_view value) {
    AddAnswer("enum\t" + std::string(name) + "\t" + std::to_string(index) + "\t" +
              std::string(value));
}

void FakePluginFolder::AnswerInvoke(std::string_view operation, int result) {
    AddAnswer("invoke\t" + std::string(operation) + "\t" + std::to_string(result));
}

void FakePluginFolder::SetDelay(long microseconds) {
    AddAnswer("delay\t" + std::to_string(microseconds));
}

std::vector<std::string> FakePluginFolder::Calls() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(controlFolder_ + "/calls"));
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

void FakePluginFolder::ClearCalls() {
    std::filesystem::remove(controlFolder_ + "/calls");
}

void FakePluginFolder::Mark(std::string_view line) {
    std::ofstream out(controlFolder_ + "/calls", std::ios::app);
    out << line << "\n";
}

int CountTraceLines(const std::string& traceFile, std::string_view part) {
    std::istringstream in(ReadFile(traceFile));
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        if (line.find(part) != std::string::npos)
            ++count;
    }
    return count;
}

std::vector<std::string> TraceMessages(const std::string& traceFile, std::string_view prefix) {
    std::vector<std::string> messages;
    std::istringstream in(ReadFile(traceFile));
    std::string line;
    while (std::getline(in, line)) {
        const size_t at = line.find(prefix);
        if (at != std::string::npos)
            messages.push_back(line.substr(at));
    }
    return messages;
}

}  // namespace orx::testing
