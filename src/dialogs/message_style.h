// The message box style flags: the button set in the low bits, the icon in bits
// 4 to 7, as the program passes them around.
#pragma once

namespace orx {

inline constexpr int kMbOk = 0x00;
inline constexpr int kMbYesNo = 0x04;
inline constexpr int kMbButtonMask = 0x0F;
inline constexpr int kMbIconStop = 0x10;
inline constexpr int kMbIconQuestion = 0x20;
inline constexpr int kMbIconExclamation = 0x30;
inline constexpr int kMbIconInformation = 0x40;
inline constexpr int kMbIconMask = 0xF0;

// Button codes a message box answers.
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerClosed = 2;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

inline int MessageIcon(int style) {
    return style & kMbIconMask;
}
// Yes and No instead of OK: the question icon or the Yes/No button set.
inline bool IsQuestionStyle(int style) {
    return MessageIcon(style) == kMbIconQuestion || (style & kMbButtonMask) == kMbYesNo;
}

}  // namespace orx
