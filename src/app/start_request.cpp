#include "app/start_request.h"

#include "core/command_line.h"
#include "core/number_text.h"

namespace orx {

StartRequest ParseStartRequest(std::string_view line) {
    StartRequest request;
    if (FindOption(line, "-install")) {
        request.task = StartTask::Install;
        return request;
    }
    if (FindOption(line, "-uninstall")) {
        request.task = StartTask::Uninstall;
        return request;
    }
    if (FindOption(line, "-settings")) {
        request.task = StartTask::Settings;
        return request;
    }
    static constexpr struct {
        std::string_view option;
        int operation;
    } kOperations[] = {
        {"-sign", kSign}, {"-verify", kVerify}, {"-encrypt", kEncrypt}, {"-decrypt", kDecrypt}};
    for (const auto& entry : kOperations) {
        if (FindOption(line, entry.option, request.inputFile, kOptionValueCapacity)) {
            request.task = StartTask::FileOperation;
            request.operation = entry.operation;
            return request;
        }
    }
    std::string value;
    if (FindOption(line, "-admin", value, kOptionValueCapacity)) {
        request.cachedSlotId = AtoI(value);
        FindOption(line, "-name", request.pendingSlotLabel, kSlotLabelCapacity);
    }
    return request;
}

}  // namespace orx
