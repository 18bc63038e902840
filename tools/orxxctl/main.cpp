// orxxctl: command-line administration and diagnostics. Results go to standard
// output, messages to standard error; exit 0 success, 1 failure or absent, 2 usage.
// "--trace FILE" switches the trace on (the module's too), "--slot ID" chooses the
// token a command acts on.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
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

namespace {

std::optional<int32_t>& Slot() {
    static std::optional<int32_t> slot;
    return slot;
}

}  // namespace

bool ParseSlot(const std::string& text, int32_t& slot) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value <= 0 || value > 0x7fffffff)
        return false;
    slot = static_cast<int32_t>(value);
    return true;
}

std::optional<int32_t> ChosenSlot() {
    return Slot();
}

void ChooseSlot(int32_t slot) {
    Slot() = slot;
}

bool SlotArgument(const Arguments& arguments, size_t index, int32_t& slot) {
    if (arguments.size() <= index) {
        if (!Slot())
            return false;
        slot = *Slot();
        return true;
    }
    return ParseSlot(arguments[index], slot) && (!Slot() || *Slot() == slot);
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
    // Options before the command, in any order.
    while (i < argc && std::strncmp(argv[i], "--", 2) == 0) {
        int32_t slot = 0;
        if (std::strcmp(argv[i], "--trace") == 0 && i + 1 < argc) {
            orx::TraceSetFile(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--slot") == 0 && i + 1 < argc &&
                   ParseSlot(argv[i + 1], slot)) {
            ChooseSlot(slot);
        } else {
            PrintUsage(stderr);
            return kExitUsage;
        }
        i += 2;
    }
    return RunCommandWords(Arguments(argv + i, argv + argc));
}
