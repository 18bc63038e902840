// The file operation's pure rules: what its output file is called, how an input
// that came as Base64 text is recognised, and the algorithms it offers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orx {

inline constexpr size_t kFileOpPathCapacity = 260;
inline constexpr size_t kFileOpAlgorithmCapacity = 64;
inline constexpr size_t kFileOpExtensionCapacity = 16;
inline constexpr size_t kFileOpMaxCertificates = 1024;

struct FileOpSettings {
    std::string encryptExtension = "p7m";  // "File Extensions"/"Encrypt"
    std::string signExtension = "p7s";     // "File Extensions"/"Sign"
    int32_t format = 0;                    // "Encryption"/"Format"
    std::string defaultAlgorithm;          // "Encryption"/"DefaultAlgorithm", may be empty
};

// Read from the configuration files with their defaults.
FileOpSettings ReadFileOpSettings();

struct EncryptionAlgorithm {
    const char* displayText;
    const char* oid;
};
const std::array<EncryptionAlgorithm, 7>& EncryptionAlgorithms();
// The list index preselected: 3DES, or the entry whose identifier equals
// `defaultAlgorithm` without regard to case.
int PreselectedAlgorithm(std::string_view defaultAlgorithm);

// The output path page 3 proposes for the path that page 1 took.
std::string ProposeOutputPath(int operation, std::string_view path, const FileOpSettings& settings);
// The path with its file-name part (behind the last '/') replaced by the file-name
// part of `fileName`, as a decrypted envelope names its original file.
std::string ReplaceFileName(std::string_view path, std::string_view fileName);
// The text behind the last '/'.
std::string_view FileNamePart(std::string_view path);

// Verify and decrypt inputs that begin with 'M' but not with "MIME-Version:" are
// Base64 text; the decoded bytes replace them. False when nothing decodes.
bool Base64DecodeInput(std::vector<uint8_t>& content);

}  // namespace orx
