// What every orxxctl command shares: its argument list, the exit statuses and
// the ways it reports to the user.
#pragma once

#include <cstdint>
#include <optional>
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

// A slot id as the program addresses it: decimal, positive.
bool ParseSlot(const std::string& text, int32_t& slot);

// The slot that "--slot ID" chose for the command, if it was given.
std::optional<int32_t> ChosenSlot();
void ChooseSlot(int32_t slot);

// The slot a command names as its argument `index`, or else the chosen one; false
// when there is neither, the argument is no slot id, or the two differ.
bool SlotArgument(const Arguments& arguments, size_t index, int32_t& slot);

// Reads a file, or standard input for "" or "-"; false when it cannot be read.
bool ReadInput(const std::string& path, std::string& bytes);
// Writes stdout in full; false on a write error.
bool WriteOutput(std::string_view bytes);

}  // namespace orxctl
