// orxxctl: command-line administration and diagnostics. Results go to standard
// output, messages to standard error; exit 0 success, 1 failure or absent, 2 usage.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "command.h"
#include "core/file_helpers.h"
#include "core/product_identity.h"
#include "core/trace.h"

namespace orxctl {

namespace {

std::map<std::string, Command>& Registry() {
    static std::map<std::string, Command> commands;
    return commands;
}

void PrintUsage() {
    std::fprintf(stderr, "usage: orxxctl [--trace FILE] COMMAND [ARGUMENTS]\n");
    for (const auto& [name, command] : Registry()) {
        std::fprintf(stderr, "%s", command.usage);
    }
}

}  // namespace

bool RegisterCommand(const Command& command) {
    Registry().emplace(command.name, command);
    return true;
}

int Fail(std::string_view message) {
    std::fprintf(stderr, "orxxctl: %.*s\n", static_cast<int>(message.size()), message.data());
    return kExitFailed;
}

int Usage(std::string_view commandName) {
    auto it = Registry().find(std::string(commandName));
    std::fprintf(stderr, "usage:\n%s", it != Registry().end() ? it->second.usage : "");
    return kExitUsage;
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
    orx::InitProductIdentity();
    int i = 1;
    if (i < argc && std::strcmp(argv[i], "--trace") == 0) {
        if (i + 1 >= argc) {
            PrintUsage();
            return kExitUsage;
        }
        orx::TraceSetFile(argv[i + 1]);
        i += 2;
    }
    if (i >= argc) {
        PrintUsage();
        return kExitUsage;
    }
    const std::string name = argv[i];
    // A group may leave one of its subcommands to another file: "cert vcard".
    if (i + 1 < argc) {
        auto sub = Registry().find(name + " " + argv[i + 1]);
        if (sub != Registry().end())
            return sub->second.run(Arguments(argv + i + 2, argv + argc));
    }
    auto it = Registry().find(name);
    if (it == Registry().end()) {
        std::fprintf(stderr, "orxxctl: unknown command '%s'\n", name.c_str());
        PrintUsage();
        return kExitUsage;
    }
    Arguments arguments(argv + i + 1, argv + argc);
    return it->second.run(arguments);
}
