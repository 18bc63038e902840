// "--help" and "--version", which every program of the family answers before it
// looks at anything else. The programs' own option scan finds an option anywhere
// in the command line, even inside a longer word ("--help" holds "-help", which
// makes the client program open the help page), so these two count only as whole
// arguments, and none after a "--".
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace orx {

enum class StandardOption { kNone, kHelp, kVersion };

// The first of the two among the arguments (argv without the program's name).
StandardOption FindStandardOption(std::span<const char* const> arguments);

// "<program> (<product>) <version>" and a line break.
std::string VersionLine(std::string_view program);

// Answers --help with `usage` on standard output and --version with the version
// line; the exit status to end with, or -1 when neither was asked for.
int AnswerStandardOption(std::span<const char* const> arguments, std::string_view program,
                         std::string_view usage);

}  // namespace orx
