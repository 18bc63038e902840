#include "core/os/modules.h"

#include <dlfcn.h>

#include "core/os/folders.h"
#include "core/product_identity.h"

namespace orx {

namespace {

void* TryLoad(const std::string& path, int flags, std::string* loadedPath) {
    void* module = ::dlopen(path.c_str(), flags);
    if (module != nullptr && loadedPath != nullptr)
        *loadedPath = path;
    return module;
}

}  // namespace

void* LoadModule(std::string_view name, std::string* loadedPath, int dlopenFlags) {
    // dlopen of "" would hand back the program itself.
    if (name.empty())
        return nullptr;
    const int flags = dlopenFlags != 0 ? dlopenFlags : RTLD_NOW | RTLD_LOCAL;
    std::string file(name);
    const size_t slash = file.rfind('/');
    if (slash != std::string::npos) {
        if (void* module = TryLoad(file, flags, loadedPath))
            return module;
        // A path that does not load falls back to the usual places for its file name.
        file.erase(0, slash + 1);
        if (file.empty())
            return nullptr;
    }
    // Never a bare name for dlopen: that would search LD_LIBRARY_PATH and the
    // linker's cache, and could pick up a module of another installation.
    const std::string besideProgram = GetProgramFolder() + file;
    if (void* module = TryLoad(besideProgram, flags, loadedPath))
        return module;
    if (void* module = TryLoad(GetComponentFolder(besideProgram) + file, flags, loadedPath)) {
        return module;
    }
    return TryLoad(GetSystemFolder() + file, flags, loadedPath);
}

void FreeModule(void* module) {
    if (module != nullptr)
        ::dlclose(module);
}

}  // namespace orx
