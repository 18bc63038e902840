// Starting other programs: no shell in between, no zombie left behind.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace orx {

// The first executable file of that name on PATH, or "" (a name with "/" is taken
// as it is when it is executable).
std::string FindOnPath(std::string_view name);

// Starts argv[0] with the arguments; the pid, or -1 with errno set.
pid_t SpawnProcess(const std::vector<std::string>& argv);

// Nobody waits for this child: a thread of its own collects it when it ends.
void ReapInBackground(pid_t pid);

// Waits for the child; its exit status, 128 + signal number when it was killed, or
// -1 when it cannot be waited for.
int WaitProcess(pid_t pid);

// Waits at most that long for the child to end and reaps it: true when it has ended
// (or someone else reaped it already), false when it still runs. The wait ends the
// moment the child does, so a program that leaves at once costs no fixed pause.
bool WaitProcessFor(pid_t pid, int milliseconds);

}  // namespace orx
