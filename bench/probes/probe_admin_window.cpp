// The administration program's start, as orxxadm's own: application object,
// settings, status window, plug-in, the window with its slot list, ended the moment
// the window is painted. It acts as the program beside it (build/bin/orxxadm), so
// that module, configuration and client program are found as they are there.
#include <unistd.h>

#include <filesystem>
#include <span>
#include <string>

#include "app/admin_app.h"
#include "core/command_line.h"
#include "core/product_identity.h"

int main(int argc, char** argv) {
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    orx::SetProgramPath((self.parent_path() / "orxxadm").string());
    const std::string line =
        orx::JoinCommandLine(std::span<const char* const>(argv + 1, static_cast<size_t>(argc - 1)));
    orx::CAdminApp app(argc, argv);
    // The start shows the window and paints it before it returns.
    if (!app.InitInstance(line) || app.MainWindow() == nullptr)
        return 1;
    _exit(0);
}
