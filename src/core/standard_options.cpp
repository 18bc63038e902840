#include "core/standard_options.h"

#include <cstdio>

#include "core/product_identity.h"

namespace orx {

StandardOption FindStandardOption(std::span<const char* const> arguments) {
    for (const char* argument : arguments) {
        if (argument == nullptr)
            break;
        const std::string_view word(argument);
        if (word == "--")
            break;
        if (word == "--help")
            return StandardOption::kHelp;
        if (word == "--version")
            return StandardOption::kVersion;
    }
    return StandardOption::kNone;
}

std::string VersionLine(std::string_view program) {
    std::string line(program);
    line.append(" (").append(kDefaultProductName).append(") ");
    line.append(GetProductVersion()).append("\n");
    return line;
}

int AnswerStandardOption(std::span<const char* const> arguments, std::string_view program,
                         std::string_view usage) {
    std::string text;
    switch (FindStandardOption(arguments)) {
        case StandardOption::kNone:
            return -1;
        case StandardOption::kHelp:
            text.assign(usage);
            break;
        case StandardOption::kVersion:
            text = VersionLine(program);
            break;
    }
    const bool written =
        std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
    return written ? 0 : 1;
}

}  // namespace orx
