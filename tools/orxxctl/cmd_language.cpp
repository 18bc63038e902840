// text and languages: what the language layer gives, so that a deployment can
// check its overrides and its list of offered languages without a window.
#include <cstdlib>
#include <string>

#include "commands.h"
#include "core/language.h"
#include "core/string_table.h"

namespace orxctl {
namespace {

// The buffer the windows use for one text.
constexpr size_t kTextCapacity = 256;

bool ParseId(const std::string& text, int& id) {
    if (text.empty() || text.size() > 5)
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    id = std::atoi(text.c_str());
    return id >= 1 && id <= 65535;
}

}  // namespace

int RunText(const Arguments& arguments) {
    int id = 0;
    if (arguments.empty() || !ParseId(arguments[0], id))
        return Usage("text");
    if (arguments.size() == 3 && arguments[1] == "--language") {
        if (!orx::SelectLanguage(arguments[2])) {
            return Fail("unknown language '" + arguments[2] + "'");
        }
    } else if (arguments.size() != 1) {
        return Usage("text");
    }
    const std::string text = orx::GetText(id, kTextCapacity);
    // An empty text is an answer in the blind language; an id that no table
    // knows and no override supplies is not.
    if (text.empty() && orx::FindString(orx::kLanguageEnglish, id).empty() &&
        orx::GetCurrentLanguageId() != orx::kLanguageBlind) {
        return Fail("no text with id " + arguments[0]);
    }
    return WriteOutput(text + "\n") ? kExitOk : Fail("cannot write standard output");
}

int RunLanguages(const Arguments& arguments) {
    if (!arguments.empty())
        return Usage("languages");
    std::string lines;
    std::string name;
    int index = 0;
    while (orx::EnumLanguageName(name, kTextCapacity, index))
        lines += name + "\n";
    return WriteOutput(lines) ? kExitOk : Fail("cannot write standard output");
}

}  // namespace orxctl
