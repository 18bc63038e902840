// The language layer: every visible text by numeric id in the current language,
// English as fallback, deployment overrides ("Dynamic Strings") and the offered
// languages ("Allowed").
#pragma once

#include <string>
#include <string_view>

namespace orx {

inline constexpr int kLanguageEnglish = 1033;
inline constexpr int kLanguageBlind = 65535;

// Trailing blanks removed; " (E%d)" for ids 2000-2099, " (M%d)" for 2100-2199.
std::string GetText(int id, size_t capacity = 256);
// The text in UTF-16, without the suffix.
std::u16string GetTextWide(int id, size_t capacity = 256);
// GetText, " - " and the product name.
std::string GetTitleText(int id, size_t capacity = 256);
// The next offered language from index; false at the end.
bool EnumLanguageName(std::string& name, size_t capacity, int& index);
bool SelectLanguage(std::string_view name);
// The display name chosen last (empty when none was chosen) and the current id.
std::string GetCurrentLanguageName();
int GetCurrentLanguageId();

}  // namespace orx
