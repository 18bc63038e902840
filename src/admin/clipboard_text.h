// The text that Copy puts on the clipboard: the header lines, every row of the
// content list with TABs after its cells, certificates in PEM armour, and in the
// components view the values of the configuration's "Components" section. Lines
// end in CR LF, as other programs expect of copied tables.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orx {

// Base64 of a certificate in PEM armour takes this many characters a line.
inline constexpr size_t kPemLineLength = 64;

struct ClipboardRow {
    std::vector<std::string> cells;  // the columns that have a width, in order
    // The unbroken Base64 of a certificate row's DER; none for other rows.
    std::optional<std::string> certificate;
};

struct ClipboardContent {
    std::string headerLine1;
    std::string headerLine2;
    std::vector<ClipboardRow> rows;
    // Only while the components are shown; each value becomes a line.
    std::optional<std::vector<std::string>> componentValues;
};

// Measured first, then written into one allocation of that size.
std::string ClipboardText(const ClipboardContent& content);

}  // namespace orx
