// The string ids the wizard shows, by operation.
#pragma once

namespace orx {

struct FileOpTexts {
    int name;          // frame title and page 0 title
    int introduction;  // page 0
    int input;         // page 1
    int certificate;   // page 2
    int output;        // page 3
    int runButton;     // Next on page 2
    int failure;       // the operation failed
};

// Operation 1 to 4; anything else is taken as signing.
const FileOpTexts& TextsFor(int operation);

inline constexpr int kTextPathLabel = 1643;
inline constexpr int kTextFileFilter = 1644;
inline constexpr int kTextAlgorithmLabel = 1649;
inline constexpr int kTextCertificateLabel = 1650;
inline constexpr int kTextView = 1103;
inline constexpr int kTextBack = 1116;
inline constexpr int kTextCancel = 1101;
inline constexpr int kTextNext = 1119;
inline constexpr int kTextFinish = 1117;

inline constexpr int kErrorOpenFile = 2027;
inline constexpr int kErrorBadContent = 2028;
inline constexpr int kErrorNoCertificate = 2044;
inline constexpr int kErrorSaveFailed = 2035;
inline constexpr int kQuestionReplace = 2209;

}  // namespace orx
