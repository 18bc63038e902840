// The message boxes every part of the program shows: by text, or by string id
// with the caption, icon, buttons and help link that go with the kind of message.
// Each returns the button code: 1 OK, 6 Yes, 7 No, 2 when the box was closed.
#pragma once

#include <QWidget>
#include <string_view>

#include "dialogs/message_style.h"

namespace orx {

inline constexpr int kTextError = 1005;     // "Error"
inline constexpr int kTextQuestion = 1006;  // "Question"
inline constexpr int kTextMessage = 1007;   // "Message"

int ShowMessage(QWidget* owner, std::string_view text, std::string_view caption, int style,
                bool link);
// Caption 1005, exclamation icon, OK, with the error help link.
int ShowError(QWidget* owner, int stringId);
// Caption 1006, question icon, Yes and No. The text is a format whose "%s" takes
// `insert`.
int AskQuestion(QWidget* owner, int stringId, std::string_view insert = {});
// Caption 1007, information icon, OK; the help link only for ids 2300 to 2399.
int ShowInformation(QWidget* owner, int stringId);

// The help link a message of that style offers ("Links"/"Error" for errors and
// stops, "Links"/"Help" or else "Links"/"Support" for information); "" when none.
std::string HelpLinkFor(int style);
// A text whose "%s" is replaced by insert ("%%" gives "%"); nothing else is expanded.
std::string FormatWithInsert(std::string_view format, std::string_view insert);

}  // namespace orx
