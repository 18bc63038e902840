// orxxctl's commands in one table (command_table.cpp): a group word ("token"), an
// action word for groups with several forms ("list"), the form's usage line and
// its function from commands.h.
#pragma once

#include <cstdio>

#include "command.h"

namespace orxctl {

// Runs the command that the first words name, with the rest of the words. An
// unknown group prints the whole usage, a group without a known action its own
// usage; both return kExitUsage.
int RunCommandWords(const Arguments& words);

// The whole usage: on standard output when asked for, on standard error after a
// usage error.
void PrintUsage(std::FILE* out);

}  // namespace orxctl
