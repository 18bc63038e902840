// Dynamic libraries: the program's modules are looked for beside the program, in
// the component folder, then in the system's library folder.
#pragma once

#include <string>
#include <string_view>

namespace orx {

// dlopen handle or nullptr; the path that loaded is stored when asked.
void* LoadModule(std::string_view name, std::string* loadedPath = nullptr,
                 int dlopenFlags = 0 /* 0: RTLD_NOW | RTLD_LOCAL */);
void FreeModule(void* module);

}  // namespace orx
