// orxxctl: command-line administration and diagnostics. Results go to standard
// output, messages to standard error; exit 0 success, 1 failure or absent, 2 usage.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>

#include "command.h"
#include "command_table.h"
#include "core/file_helpers.h"
#include "core/product_identity.h"
#include "core/standard_options.h"
#include "core/trace.h"

namespace orxctl {

int Fail(std::string_view message) {
    std::fprintf(stderr, "orxxctl: %.*s\n", static_cast<int>(message.size()), message.data());
    return kExitFailed;
}

bool ReadInput(const std::string& path, std::string& bytes) {
    if (path.empty() || path == "-") {
        bytes.clear();
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
            bytes.append(buffer, n);
        return !std::ferror(stdin);
    }
    return orx::ReadWholeFile(path, bytes);
}

bool WriteOutput(std::string_view bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
           std::fflush(stdout) == 0;
}

}  // namespace orxctl

int main(int argc, char** argv) {
    using namespace orxctl;
    const std::span<const char* const> arguments(argv + 1, static_cast<size_t>(argc - 1));
    switch (orx::FindStandardOption(arguments)) {
        case orx::StandardOption::kHelp:
            PrintUsage(stdout);
            return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
        case orx::StandardOption::kVersion:
            return WriteOutput(orx::VersionLine("orxxctl")) ? kExitOk : kExitFailed;
        case orx::StandardOption::kNone:
            break;
    }
    orx::InitProductIdentity();
    int i = 1;
    if (i < argc && std::strcmp(argv[i], "--trace") == 0) {
        if (i + 1 >= argc) {
            PrintUsage(stderr);
            return kExitUsage;
        }
        orx::TraceSetFile(argv[i + 1]);
        i += 2;
    }
    return RunCommandWords(Arguments(argv + i, argv + argc));
}
