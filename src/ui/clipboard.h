// The clipboard as plain text (UTF-8).
#pragma once

#include <string>
#include <string_view>

namespace orx {

// Empties the clipboard and puts the text on it.
void SetClipboardText(std::string_view text);
std::string GetClipboardText();

}  // namespace orx
