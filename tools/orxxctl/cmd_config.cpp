// config get|set|delete|keys: the configuration store as the program sees it.
#include <cstdio>

#include "commands.h"
#include "core/config_file.h"

namespace orxctl {

namespace {

constexpr size_t kValueCapacity = 4096;

int WriteFailed(int result) {
    return Fail("cannot write the per-user configuration (" + std::to_string(result) + ")");
}

}  // namespace

int RunConfigGet(const Arguments& a) {
    if (a.size() != 2)
        return Usage("config");
    std::string value;
    const int result = orx::ConfigReadString(a[0], a[1], value, kValueCapacity);
    if (result != orx::kConfigOk)
        return Fail("no value for " + a[0] + "/" + a[1]);
    value.push_back('\n');
    return WriteOutput(value) ? kExitOk : kExitFailed;
}

int RunConfigSet(const Arguments& a) {
    if (a.size() != 3)
        return Usage("config");
    const int result = orx::ConfigWriteString(a[0], a[1], a[2]);
    return result == orx::kConfigOk ? kExitOk : WriteFailed(result);
}

int RunConfigDelete(const Arguments& a) {
    if (a.size() != 1 && a.size() != 2)
        return Usage("config");
    if (a.size() == 2) {
        const int result = orx::ConfigDeleteKey(a[0], a[1]);
        if (result == orx::kConfigSectionMissing || result == orx::kConfigKeyMissing) {
            return Fail("no value for " + a[0] + "/" + a[1]);
        }
        return result == orx::kConfigOk ? kExitOk : WriteFailed(result);
    }
    orx::ConfigFile file;
    int result = file.OpenDefault(true, orx::ConfigKind::PerUser);
    if (result == orx::kConfigOk)
        result = file.Delete(a[0]);
    const int closed = file.Close(true);
    if (result == orx::kConfigOk)
        result = closed;
    return result == orx::kConfigOk ? kExitOk : WriteFailed(result);
}

int RunConfigKeys(const Arguments& a) {
    if (a.size() != 1)
        return Usage("config");
    orx::ConfigFile file;
    if (file.OpenDefault(false, orx::ConfigKind::PerUser) != orx::kConfigOk) {
        return Fail("cannot read the per-user configuration");
    }
    std::string out;
    std::string key;
    int position = 0;
    while (file.EnumKeys(0, a[0], key, kValueCapacity, position) == orx::kConfigOk) {
        out.append(key).push_back('\n');
    }
    return WriteOutput(out) ? kExitOk : kExitFailed;
}

}  // namespace orxctl
