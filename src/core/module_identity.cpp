#include "core/module_identity.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "core/config_file.h"
#include "core/product_identity.h"
#include "core/trace.h"

namespace orx {

void InitModuleIdentity(const void* address, std::string_view suffix) {
    Dl_info info{};
    if (dladdr(address, &info) != 0 && info.dli_fname) {
        char resolved[PATH_MAX];
        std::string path = realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
        if (!suffix.empty()) {
            const size_t slash = path.rfind('/');
            const size_t found = path.find(suffix, slash == std::string::npos ? 0 : slash);
            if (found != std::string::npos)
                path.erase(found, suffix.size());
        }
        SetProgramPath(path);
    }
    InitProductIdentity();
}

void TraceToConfiguredFile() {
    std::string traceFile;
    if (ConfigReadString("Trace", "File", traceFile, kTracePathCapacity) == kConfigOk &&
        !traceFile.empty())
        TraceSetFile(traceFile);
}

}  // namespace orx
