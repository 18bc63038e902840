// The middleware's companion programs: which one a command line is for, starting
// it, and opening files with the desktop's viewer.
#pragma once

#include <string_view>

namespace orx {

// True when the file is in the program folder or in the component folder.
bool HasComponent(std::string_view fileName);
// "-admin", "-encrypt", "-decrypt", "-sign", "-verify" at the start (letter case
// ignored) and the administration program is installed.
bool IsAdminCommand(std::string_view commandLine);
// "-applyconfig", "-mergeconfig" at the start and the configuration tool is installed.
bool IsConfigCommand(std::string_view commandLine);
// Starts the configuration tool, the administration program or else the client
// program from the program folder with this command line, without waiting. The
// process id, or 0 when nothing could be started.
int StartProgram(std::string_view commandLine);

// Opens the file with the desktop's viewer. With `wait` the client program shows it
// ("-view") and, once it has ended, the file is deleted. Always 0.
int ShellOpen(void* owner, std::string_view file, bool wait);

}  // namespace orx
