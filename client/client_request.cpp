#include "client/client_request.h"

#include "core/command_line.h"
#include "core/file_helpers.h"

namespace orx {
namespace {

std::string FileAfter(std::string_view line, std::string_view option) {
    std::string value;
    FindOption(line, option, value, kClientPathCapacity);
    if (value.empty() || FileExists(value))
        return value;
    const size_t at = line.find(option);
    std::string_view rest = line.substr(at + option.size());
    while (!rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);
    while (!rest.empty() && rest.back() == ' ')
        rest.remove_suffix(1);
    if (rest.size() < kClientPathCapacity && FileExists(rest))
        return std::string(rest);
    return value;
}

}  // namespace

ClientRequest ParseClientRequest(std::string_view line) {
    ClientRequest request;
    static constexpr struct {
        std::string_view option;
        ClientTask task;
    } kFileTasks[] = {{"-viewnodelete", ClientTask::ViewNoDelete}, {"-view", ClientTask::View}};
    for (const auto& entry : kFileTasks) {
        if (FindOption(line, entry.option)) {
            request.task = entry.task;
            request.file = FileAfter(line, entry.option);
            return request;
        }
    }
    if (FindOption(line, "-help")) {
        request.task = ClientTask::Help;
    } else if (FindOption(line, "-support")) {
        request.task = ClientTask::Support;
    }
    return request;
}

}  // namespace orx
