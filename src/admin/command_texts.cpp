#include "admin/command_texts.h"

#include <algorithm>

#include "core/base64.h"
#include "core/string_helpers.h"
#include "core/text_fields.h"

namespace orx {

namespace {

constexpr int kTokenFileField = 5;

}  // namespace

std::string SanitizeTokenName(std::string_view text) {
    std::string name(text);
    // These would be taken for a note or a quotation where the label is shown.
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return c == '(' || c == ')' || c == '"' || c == '\''; }, ' ');
    return std::string(Trim(name));
}

std::string ProposedTokenName(std::string_view path) {
    const size_t slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return std::string(name.substr(0, name.find('.')));
}

bool IsTokenFileName(std::string_view path) {
    const size_t dot = path.rfind('.');
    return dot != std::string_view::npos && EqualsNoCase(path.substr(dot + 1), "tkn");
}

std::string SaveFilter(std::string_view filter) {
    const size_t cut = filter.find(";*.p");
    if (cut == std::string_view::npos)
        return std::string(filter);
    return std::string(filter.substr(0, cut)) + ")";
}

std::optional<std::string> SoftTokenFile(std::string_view tokenInfo) {
    if (std::count(tokenInfo.begin(), tokenInfo.end(), ';') < kTokenFileField)
        return std::nullopt;
    return GetField(tokenInfo, ';', kTokenFileField, kTokenPathCapacity);
}

std::string_view CertificateBase64(std::string_view entry) {
    const size_t last = entry.rfind(';');
    return last == std::string_view::npos ? entry : entry.substr(last + 1);
}

std::optional<size_t> FindCertificateEntry(const std::vector<std::string>& entries,
                                           std::span<const uint8_t> der) {
    if (der.empty())
        return std::nullopt;
    const std::string base64 = Base64Encode(der);
    for (size_t index = 0; index < entries.size(); ++index) {
        if (entries[index].find(base64) != std::string::npos)
            return index;
    }
    return std::nullopt;
}

}  // namespace orx
