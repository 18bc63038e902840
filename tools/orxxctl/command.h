// What every orxxctl command shares: its argument list, the exit statuses and
// the ways it reports to the user.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orxctl {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

using Arguments = std::vector<std::string>;
// Runs with the arguments after the command's words; returns the exit status.
using CommandFn = int (*)(const Arguments& arguments);

// Prints "orxxctl: <message>" on standard error and returns kExitFailed.
int Fail(std::string_view message);
// Prints the usage of every form of the group ("token", "cert", ...) on standard
// error and returns kExitUsage.
int Usage(std::string_view group);

// Reads a file, or standard input for "" or "-"; false when it cannot be read.
bool ReadInput(const std::string& path, std::string& bytes);
// Writes stdout in full; false on a write error.
bool WriteOutput(std::string_view bytes);

}  // namespace orxctl
