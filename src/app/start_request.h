// What a start of the administration program asks for, read from its raw command
// line in the fixed order of the options.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "token/token_application.h"  // kSlotLabelCapacity

namespace orx {

enum class StartTask { Install, Uninstall, Settings, FileOperation, Admin };

// File operations by number, as the wizard counts them.
enum FileOperation : int { kOperationNone = 0, kSign = 1, kVerify = 2, kEncrypt = 3, kDecrypt = 4 };

inline constexpr size_t kOptionValueCapacity = 256;

struct StartRequest {
    StartTask task = StartTask::Admin;
    int operation = kOperationNone;
    std::string inputFile;         // for a file operation
    int32_t cachedSlotId = 0;      // "-admin"
    std::string pendingSlotLabel;  // "-name", only with "-admin"
};

StartRequest ParseStartRequest(std::string_view rawCommandLine);

}  // namespace orx
