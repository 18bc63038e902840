#include <string>
#include <vector>

#include "core/os/process.h"
#include "core/system_mail.h"
#include "core/trace.h"

namespace orx {

bool SendMail(void* /*owner*/, std::string_view recipient, std::string_view subject,
              std::string_view body, std::span<const std::string> attachments) {
    const std::string composer = FindOnPath("xdg-email");
    if (composer.empty()) {
        Trace("Helper - Failed to load MAPI");
        return false;
    }
    std::vector<std::string> argv = {composer, "--utf8",         "--subject", std::string(subject),
                                     "--body", std::string(body)};
    for (const std::string& path : attachments) {
        argv.push_back("--attach");
        argv.push_back(path);
    }
    if (!recipient.empty())
        argv.emplace_back(recipient);
    const pid_t pid = SpawnProcess(argv);
    const int code = pid > 0 ? WaitProcess(pid) : -1;
    if (code == 0) {
        Trace("Helper - File sent by mail");
        return true;
    }
    Trace("Helper - Failed to send mail (%d)", code);
    return false;
}

}  // namespace orx
