#include "core/system_programs.h"

#include <unistd.h>

#include <string>

#include "core/command_line.h"
#include "core/file_helpers.h"
#include "core/os/folders.h"
#include "core/os/process.h"
#include "core/product_identity.h"
#include "core/string_helpers.h"
#include "core/system_environment.h"
#include "core/trace.h"

namespace orx {

namespace {

constexpr size_t kPathCapacity = 260;

bool StartsWithAny(std::string_view text, std::initializer_list<std::string_view> options) {
    for (std::string_view option : options) {
        if (StartsWithNoCase(text, option))
            return true;
    }
    return false;
}

}  // namespace

bool HasComponent(std::string_view fileName) {
    const std::string name(fileName);
    bool found = false;
    if (!name.empty()) {
        found = FileExists(GetProgramFolder() + name) || FileExists(GetComponentFolder() + name);
    }
    Trace("Helper - Has component '%s': %s", name.c_str(), found ? "YES" : "NO");
    return found;
}

bool IsAdminCommand(std::string_view commandLine) {
    return StartsWithAny(commandLine, {"-admin", "-encrypt", "-decrypt", "-sign", "-verify"}) &&
           HasComponent(GetAdminProgramName());
}

bool IsConfigCommand(std::string_view commandLine) {
    return StartsWithAny(commandLine, {"-applyconfig", "-mergeconfig"}) &&
           HasComponent(GetConfigToolName());
}

int StartProgram(std::string_view commandLine) {
    std::string program;
    if (IsConfigCommand(commandLine)) {
        program = GetConfigToolName();
    } else if (IsAdminCommand(commandLine)) {
        program = GetAdminProgramName();
    } else {
        program = GetClientProgramName();
    }
    std::string command;
    command.append("\"").append(GetProgramFolder()).append(program).append("\" ");
    command.append(commandLine);
    Trace("Helper - Create process: '%s'", command.c_str());
    const pid_t pid = SpawnProcess(SplitCommandLine(command));
    if (pid <= 0) {
        Trace("Admin - Failed to start myself");
        return 0;
    }
    ReapInBackground(pid);
    return static_cast<int>(pid);
}

int ShellOpen(void* /*owner*/, std::string_view file, bool wait) {
    std::string expanded = ExpandEnvironment(file, kPathCapacity);
    if (expanded.empty())
        expanded.assign(file);
    if (wait) {
        // The desktop's opener returns at once; the client program stays until its
        // viewer is closed, so the file may go only then.
        const std::string client = GetProgramFolder() + GetClientProgramName();
        const pid_t pid = SpawnProcess({client, "-view", expanded});
        if (pid > 0) {
            WaitProcess(pid);
        } else {
            Trace("Helper - Failed to open '%s'", expanded.c_str());
        }
        ::unlink(std::string(file).c_str());
        return 0;
    }
    const std::string opener = FindOnPath("xdg-open");
    const pid_t pid = opener.empty() ? -1 : SpawnProcess({opener, expanded});
    if (pid > 0) {
        ReapInBackground(pid);
    } else {
        Trace("Helper - Failed to open '%s'", expanded.c_str());
    }
    return 0;
}

}  // namespace orx
