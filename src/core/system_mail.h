// Mail with attachments through the desktop's mail composer.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace orx {

// Opens the user's mail composer with the message filled in; the user edits and
// sends it there. True when the composer took it (a composer cannot tell whether
// the user then sent or dropped the mail).
bool SendMail(void* owner, std::string_view recipient, std::string_view subject,
              std::string_view body, std::span<const std::string> attachments);

}  // namespace orx
