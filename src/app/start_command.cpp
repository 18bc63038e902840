#include "app/start_command.h"

#include "app/start_request.h"

namespace orx {

StartCommand ReadStartCommand(std::string_view rawCommandLine) {
    const StartRequest request = ParseStartRequest(rawCommandLine);
    StartCommand command;
    switch (request.task) {
        case StartTask::Install:
            command.task = AdminTask::Install;
            break;
        case StartTask::Uninstall:
            command.task = AdminTask::Uninstall;
            break;
        case StartTask::Settings:
            command.task = AdminTask::Settings;
            break;
        case StartTask::FileOperation:
            command.task = AdminTask::FileOperation;
            break;
        case StartTask::Admin:
            command.task = AdminTask::Admin;
            break;
    }
    command.operation = request.operation;
    command.inputFile = request.inputFile;
    command.cachedSlotId = request.cachedSlotId;
    command.pendingSlotLabel = request.pendingSlotLabel;
    return command;
}

}  // namespace orx
