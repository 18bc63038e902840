// What the module tells about itself: "Version", the "Component" list, the "About"
// message, and "Update", which opens the product's update page.
#pragma once

#include <optional>
#include <string>

namespace orx {

class PromptSource;

// "04020000 <product> token plug-in module": the version as eight digits.
std::string VersionText();
// `path;version;information` of the module (its version followed by the OpenSSL
// version), then of the programs installed beside it.
std::optional<std::string> ComponentEntry(int index);
// The module's version through pinentry's message window.
int ShowAbout(PromptSource& prompts);
// Opens "Links"/"Update"; CKR_FUNCTION_NOT_SUPPORTED when it is not set.
int OpenUpdateLink();

}  // namespace orx
