// config get|set|delete|keys: the configuration store as the program sees it.
#include <cstdio>

#include "command.h"
#include "core/config_file.h"

namespace orxctl {

namespace {

constexpr size_t kValueCapacity = 4096;

int Get(const Arguments& a) {
    if (a.size() != 3)
        return Usage("config");
    std::string value;
    const int result = orx::ConfigReadString(a[1], a[2], value, kValueCapacity);
    if (result != orx::kConfigOk)
        return Fail("no value for " + a[1] + "/" + a[2]);
    value.push_back('\n');
    return WriteOutput(value) ? kExitOk : kExitFailed;
}

int Set(const Arguments& a) {
    if (a.size() != 4)
        return Usage("config");
    const int result = orx::ConfigWriteString(a[1], a[2], a[3]);
    if (result != orx::kConfigOk) {
        return Fail("cannot write the per-user configuration (" + std::to_string(result) + ")");
    }
    return kExitOk;
}

int Delete(const Arguments& a) {
    if (a.size() != 2 && a.size() != 3)
        return Usage("config");
    if (a.size() == 3) {
        const int result = orx::ConfigDeleteKey(a[1], a[2]);
        if (result == orx::kConfigSectionMissing || result == orx::kConfigKeyMissing) {
            return Fail("no value for " + a[1] + "/" + a[2]);
        }
        if (result != orx::kConfigOk) {
            return Fail("cannot write the per-user configuration (" + std::to_string(result) + ")");
        }
        return kExitOk;
    }
    orx::ConfigFile file;
    int result = file.OpenDefault(true, orx::ConfigKind::PerUser);
    if (result == orx::kConfigOk)
        result = file.Delete(a[1]);
    const int closed = file.Close(true);
    if (result == orx::kConfigOk)
        result = closed;
    if (result != orx::kConfigOk) {
        return Fail("cannot write the per-user configuration (" + std::to_string(result) + ")");
    }
    return kExitOk;
}

int Keys(const Arguments& a) {
    if (a.size() != 2)
        return Usage("config");
    orx::ConfigFile file;
    if (file.OpenDefault(false, orx::ConfigKind::PerUser) != orx::kConfigOk) {
        return Fail("cannot read the per-user configuration");
    }
    std::string out;
    std::string key;
    int position = 0;
    while (file.EnumKeys(0, a[1], key, kValueCapacity, position) == orx::kConfigOk) {
        out.append(key).push_back('\n');
    }
    return WriteOutput(out) ? kExitOk : kExitFailed;
}

int Run(const Arguments& a) {
    if (a.empty())
        return Usage("config");
    if (a[0] == "get")
        return Get(a);
    if (a[0] == "set")
        return Set(a);
    if (a[0] == "delete")
        return Delete(a);
    if (a[0] == "keys")
        return Keys(a);
    return Usage("config");
}

const bool registered = RegisterCommand({"config",
                                         "  config get SECTION KEY\n"
                                         "  config set SECTION KEY VALUE\n"
                                         "  config delete SECTION [KEY]\n"
                                         "  config keys SECTION\n",
                                         Run});

}  // namespace

}  // namespace orxctl
