#include "fileop/file_op_names.h"

#include "core/base64.h"
#include "core/config_file.h"
#include "core/mime_header.h"
#include "core/string_helpers.h"
#include "fileop/file_op_wizard_ids.h"

namespace orx {

namespace {

std::string ReadText(std::string_view section, std::string_view key, std::string fallback,
                     size_t capacity) {
    std::string value;
    if (ConfigReadString(section, key, value, capacity) == 0 && !value.empty())
        return value;
    return fallback;
}

}  // namespace

FileOpSettings ReadFileOpSettings() {
    FileOpSettings settings;
    settings.encryptExtension =
        ReadText("File Extensions", "Encrypt", "p7m", kFileOpExtensionCapacity);
    settings.signExtension = ReadText("File Extensions", "Sign", "p7s", kFileOpExtensionCapacity);
    int32_t format = 0;
    if (ConfigReadInt("Encryption", "Format", format) == 0)
        settings.format = format;
    settings.defaultAlgorithm = ReadText("Encryption", "DefaultAlgorithm", "", 32);
    return settings;
}

const std::array<EncryptionAlgorithm, 7>& EncryptionAlgorithms() {
    static const std::array<EncryptionAlgorithm, 7> algorithms = {{
        {"DES", "1.3.14.3.2.7"},
        {"3DES", "1.2.840.113549.3.7"},
        {"RC2 (128 bit)", "1.2.840.113549.3.2"},
        {"RC4 (128 bit)", "1.2.840.113549.3.4"},
        {"AES (128 bit)", "2.16.840.1.101.3.4.1.2"},
        {"AES (192 bit)", "2.16.840.1.101.3.4.1.22"},
        {"AES (256 bit)", "2.16.840.1.101.3.4.1.42"},
    }};
    return algorithms;
}

int PreselectedAlgorithm(std::string_view defaultAlgorithm) {
    int selected = 1;  // 3DES
    if (defaultAlgorithm.empty())
        return selected;
    const auto& algorithms = EncryptionAlgorithms();
    for (size_t i = 0; i < algorithms.size(); ++i) {
        if (EqualsNoCase(algorithms[i].oid, defaultAlgorithm))
            selected = static_cast<int>(i);
    }
    return selected;
}

std::string_view FileNamePart(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string ReplaceFileName(std::string_view path, std::string_view fileName) {
    const std::string_view name = FileNamePart(fileName);
    const size_t slash = path.rfind('/');
    std::string result =
        slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
    result += name;
    if (result.size() >= kFileOpPathCapacity)
        result.resize(kFileOpPathCapacity - 1);
    return result;
}

std::string ProposeOutputPath(int operation, std::string_view path,
                              const FileOpSettings& settings) {
    std::string result(path);
    if (operation == kFileOpSign || operation == kFileOpEncrypt) {
        const std::string& extension =
            operation == kFileOpSign ? settings.signExtension : settings.encryptExtension;
        // A plain substring test, as the program always made it: a path that holds
        // the extension anywhere is taken as already named.
        if (result.find(extension) == std::string::npos)
            result += "." + extension;
    } else {
        const size_t p7 = StrFindNoCase(result, ".p7");
        const size_t dot = result.rfind('.');
        if (result.size() > 3 && p7 != std::string::npos && result.size() - p7 < 5) {
            result.resize(p7);
        } else if (dot != std::string::npos && result.find('/', dot) == std::string::npos) {
            const std::string_view behind = std::string_view(result).substr(dot + 1);
            if (EqualsNoCase(behind, settings.encryptExtension) ||
                EqualsNoCase(behind, settings.signExtension)) {
                result.resize(dot);
            }
        }
    }
    if (result.size() >= kFileOpPathCapacity)
        result.resize(kFileOpPathCapacity - 1);
    return result;
}

bool Base64DecodeInput(std::vector<uint8_t>& content) {
    if (content.empty() || content[0] != 'M')
        return true;
    if (StartsWithMime(content))
        return true;
    const std::string_view text(reinterpret_cast<const char*>(content.data()), content.size());
    std::vector<uint8_t> decoded = Base64Decode(text);
    if (decoded.empty())
        return false;
    content = std::move(decoded);
    return true;
}

}  // namespace orx
