#include "admin/view_texts.h"

#include "core/number_text.h"
#include "core/text_fields.h"
#include "token/slot_ids.h"

namespace orx {

namespace {

constexpr size_t kVersionDigits = 8;

std::string_view LastPathPart(std::string_view path) {
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

}  // namespace

std::string FormatVersion(std::string_view text) {
    if (text.size() < kVersionDigits)
        return std::string(text);
    std::string dotted;
    for (size_t group = 0; group < kVersionDigits; group += 2) {
        if (group != 0)
            dotted += '.';
        const std::string_view digits = text.substr(group, 2);
        dotted += digits[0] == '0' ? digits.substr(1) : digits;
    }
    std::string_view rest = text.substr(kVersionDigits);
    while (!rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);
    if (!rest.empty()) {
        dotted += ' ';
        dotted += rest;
    }
    return dotted;
}

ComponentRow ParseComponent(std::string_view entry) {
    ComponentRow row;
    row.fileName = std::string(LastPathPart(GetField(entry, ';', 0, kViewFieldCapacity)));
    row.information = GetField(entry, ';', 2, kViewFieldCapacity);
    std::string version = GetField(entry, ';', 1, kViewFieldCapacity);
    const size_t open = version.find('(');
    const size_t close = open == std::string::npos ? open : version.find(')', open + 1);
    if (close != std::string::npos) {
        row.special = version.substr(open + 1, close - open - 1);
        version.resize(open);
        // The blank that stood before the note goes with it.
        while (!version.empty() && version.back() == ' ')
            version.pop_back();
    }
    row.version = FormatVersion(version);
    return row;
}

std::string TokenHeaderLine(std::string_view tokenInfo, int32_t slot) {
    std::string line = GetField(tokenInfo, ';', 1, kViewFieldCapacity);
    if (slot < kFirstSoftTokenSlot) {
        const size_t open = line.rfind('(');
        if (open != std::string::npos && open > 0 && line[open - 1] == ' ')
            line.resize(open - 1);
    }
    return line;
}

bool CertificateBelongsTo(std::string_view entry, int32_t slot) {
    const int32_t owner = AtoI(entry);
    if (slot >= kFirstSoftTokenSlot)
        return owner == slot;
    return owner >= slot && owner <= slot + 2;
}

CertificateRow ParseCertificateRow(std::string_view entry) {
    CertificateRow row;
    row.subject = GetField(entry, ';', 3, kViewFieldCapacity);
    const std::string issuer = GetField(entry, ';', 4, kViewFieldCapacity);
    if (GetDisplayName(issuer, row.issuer, kViewFieldCapacity))
        row.expiration = GetField(entry, ';', 7, kExpirationCapacity);
    else
        row.issuer.clear();
    row.privateKey = GetField(entry, ';', 9, kViewFieldCapacity) == "1";
    return row;
}

}  // namespace orx
