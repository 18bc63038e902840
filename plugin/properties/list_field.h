// Answers that are lists are ";"-separated fields: a ";" inside a value would shift
// every later field, so it becomes ",".
#pragma once

#include <string>
#include <string_view>

namespace orx {

// A field of the slot lists and "TokenInfo": ";" becomes ",".
std::string SlotField(std::string_view text);

// A field of the certificate and object lists: ";" becomes "," and control
// characters blanks, so that an entry also stays one line.
std::string ListField(std::string_view text);

}  // namespace orx
