// The byte values of the file operations travel as text: Base64 in both
// directions, S/MIME as it is. A file of many megabytes passes through here, so
// the decoder works in place and the encoder writes straight into the answer.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace orx {

// Decodes Base64 text in place (line breaks and blanks are skipped); false, with
// the text left undefined, when it holds other characters or is cut off.
bool Base64DecodeInPlace(std::string& text);

// Base64 of the concatenated pieces, appended to `out`; with `lineLength` (a
// multiple of 4) a line break "\n" ends every line, the last one too.
void Base64Append(std::initializer_list<std::span<const uint8_t>> pieces, std::string& out,
                  size_t lineLength = 0);

// "Data" as handed over: S/MIME text when it begins with "MIME-Version:" (before
// or after Base64 decoding), otherwise the decoded bytes.
struct CmsInput {
    std::string bytes;
    bool mime = false;
};
bool TakeDataInput(std::string&& value, CmsInput& input);

// "true" and "1" (any letter case) set a boolean input.
bool IsTrue(std::string_view value);

inline std::span<const uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace orx
