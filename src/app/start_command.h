// The start request as the application object keeps it. A header of its own, as
// the request parser and the plug-in wrappers each name the slot label capacity.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orx {

enum class AdminTask { Install, Uninstall, Settings, FileOperation, Admin };

struct StartCommand {
    AdminTask task = AdminTask::Admin;
    int operation = 0;  // 1 sign, 2 verify, 3 encrypt, 4 decrypt
    std::string inputFile;
    int32_t cachedSlotId = 0;
    std::string pendingSlotLabel;
};

StartCommand ReadStartCommand(std::string_view rawCommandLine);

}  // namespace orx
