// orxxctl's commands register themselves by name, one file per group, so that a
// new group is a new file and nothing else changes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orxctl {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

using Arguments = std::vector<std::string>;
// Runs with the arguments after the command name; returns the exit status.
using CommandFn = int (*)(const Arguments& arguments);

struct Command {
    const char* name;
    const char* usage;  // one line per form, without the program name
    CommandFn run;
};

// Called from a static object in each command file.
bool RegisterCommand(const Command& command);

// Prints "orxxctl: <message>" on standard error and returns kExitFailed.
int Fail(std::string_view message);
// Prints the command's usage on standard error and returns kExitUsage.
int Usage(std::string_view commandName);

// Reads a file, or standard input for "" or "-"; false when it cannot be read.
bool ReadInput(const std::string& path, std::string& bytes);
// Writes stdout in full; false on a write error.
bool WriteOutput(std::string_view bytes);

}  // namespace orxctl
