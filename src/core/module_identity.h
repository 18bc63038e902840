// What a loaded module (the plug-in module, the PKCS#11 module) does before anything
// else: it takes the product identity from its own file, never from the host program,
// and traces to the file the configuration names.
#pragma once

#include <string_view>

namespace orx {

// Sets the program path to the real path of the file that holds `address` (any
// address of the module's own), without `suffix` in its file name where there is
// one, then sets the product identity from it.
void InitModuleIdentity(const void* address, std::string_view suffix = {});
// Traces to "Trace"/"File" when the configuration sets it.
void TraceToConfiguredFile();

}  // namespace orx
