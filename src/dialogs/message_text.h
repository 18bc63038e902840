// The text rules of the message box: line breaks, the help link inside a text,
// the message code a help page is asked for, and the wrapping of the text into
// lines by measured width.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orx {

inline constexpr size_t kMessageTextCapacity = 256;
inline constexpr size_t kLinkCapacity = 256;     // 255 characters
inline constexpr size_t kLanguageCapacity = 64;  // 63 characters
inline constexpr int kMaxMessageLines = 16;
inline constexpr int kMaxMessageLineLength = 79;

// Texts shorter than 256 characters: every single line break becomes a blank, a
// pair stays a paragraph break; then the link (when not empty) follows after two
// line breaks if the result still fits into 256 characters. Longer texts as given.
std::string PrepareMessageText(std::string_view text, std::string_view link);

// Every character except NUL, line break, blank, ",", "(" and ")".
bool IsUrlChar(char32_t ch);
// The URL around the first "://" (at most 255 characters, a final "." dropped);
// empty when the text has none.
std::string ExtractLink(std::string_view text);
// The text between " (" and ")" when the ")" follows within fewer than 10
// characters and is followed by two line breaks ("E6" in "... (E6)\n\nhttp..").
std::string ExtractMessageCode(std::string_view text);
// link + "?language=" + language (63 characters at most) [+ "&code=" + code].
std::string BuildHelpUrl(std::string_view link, std::string_view language, std::string_view code);

struct WrappedLine {
    QString text;
    int start;  // position of its first character in the wrapped text
};

// A line ends at a line break, or before the character that would make it wider
// than `width` (or longer than 79 characters): then it is broken after its last
// blank when it has one, and blanks at the start of the next line are skipped.
// At most 16 lines.
std::vector<WrappedLine> WrapMessageText(const QString& text, int width,
                                         const std::function<int(const QString&)>& measure);

}  // namespace orx
