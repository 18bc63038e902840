// Qt's own texts (the standard buttons, the file dialog, the edit fields' menus) in
// the program's language, from the Qt translations installed on the system.
#pragma once

#include <string>
#include <vector>

namespace orx {

// The catalogue names to try for a language id of the string tables, best first
// ("de" for 1031); empty for English and for ids without a Qt translation.
std::vector<std::string> QtLanguageCodes(int languageId);

// Replaces the Qt translation installed before with the one for the language (none
// for English). True when a catalogue was found, or none is needed.
bool InstallQtTranslations(int languageId);

}  // namespace orx
