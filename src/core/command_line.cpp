#include "core/command_line.h"

namespace orx {

namespace {

std::string Quoted(std::string_view argument) {
    if (argument.find(' ') == std::string_view::npos)
        return std::string(argument);
    std::string out;
    out.reserve(argument.size() + 2);
    out.push_back('"');
    out.append(argument);
    out.push_back('"');
    return out;
}

}  // namespace

std::string JoinCommandLine(std::span<const char* const> arguments) {
    std::string line;
    for (const char* argument : arguments) {
        if (!line.empty())
            line.push_back(' ');
        line.append(Quoted(argument ? argument : ""));
    }
    return line;
}

std::string JoinCommandLine(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty())
            line.push_back(' ');
        line.append(Quoted(argument));
    }
    return line;
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> out;
    std::string current;
    bool inQuotes = false;
    bool have = false;
    for (char c : line) {
        if (c == '"') {
            inQuotes = !inQuotes;
            have = true;
        } else if (c == ' ' && !inQuotes) {
            if (have)
                out.push_back(std::move(current));
            current.clear();
            have = false;
        } else {
            current.push_back(c);
            have = true;
        }
    }
    if (have)
        out.push_back(std::move(current));
    return out;
}

bool FindOption(std::string_view line, std::string_view option) {
    return !option.empty() && line.find(option) != std::string_view::npos;
}

bool FindOption(std::string_view line, std::string_view option, std::string& value,
                size_t capacity) {
    value.clear();
    const size_t at = option.empty() ? std::string_view::npos : line.find(option);
    if (at == std::string_view::npos)
        return false;
    size_t i = at + option.size();
    while (i < line.size() && line[i] == ' ')
        ++i;
    size_t end;
    if (i < line.size() && line[i] == '"') {
        ++i;
        end = line.find('"', i);
    } else {
        end = line.find(' ', i);
    }
    if (end == std::string_view::npos)
        end = line.size();
    std::string_view found = line.substr(i, end - i);
    if (capacity == 0)
        return true;
    value.assign(found.substr(0, capacity - 1));
    return true;
}

}  // namespace orx
