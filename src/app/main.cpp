// orxxadm: the administration program. The exit status is 0 in every case.
#include "app/admin_settings.h"
#include "app/start_request.h"
#include "core/command_line.h"
#include "core/product_identity.h"
#include "core/trace.h"

int main(int argc, char** argv) {
    orx::InitProductIdentity();
    orx::AdminSettings settings;
    orx::LoadSettings(settings);
    const std::string line =
        orx::JoinCommandLine(std::span<const char* const>(argv + 1, static_cast<size_t>(argc - 1)));
    const orx::StartRequest request = orx::ParseStartRequest(line);
    switch (request.task) {
        case orx::StartTask::Install:
        case orx::StartTask::Uninstall:
            break;
        case orx::StartTask::Settings:
            orx::Trace("Admin - Settings requested");
            break;
        case orx::StartTask::FileOperation:
            orx::Trace("Admin - File operation %d requested for '%s'", request.operation,
                       request.inputFile.c_str());
            break;
        case orx::StartTask::Admin:
            orx::Trace("Admin - Administration window requested (slot %d)", request.cachedSlotId);
            break;
    }
    orx::SaveSettings(settings);
    return 0;
}
