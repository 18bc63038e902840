#include "admin/slot_labels.h"

#include "core/text_fields.h"

namespace orx {

size_t Utf8Length(std::string_view text) {
    size_t count = 0;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

std::string CardSlotLabel(std::string_view entry) {
    std::string label = GetField(entry, ';', 1, kSlotLabelFieldCapacity);
    if (Utf8Length(label) >= kWrapLabelCharacters) {
        const size_t blank = label.find(' ');
        if (blank != std::string::npos)
            label[blank] = '\n';
    }
    return label;
}

std::string SoftSlotLabel(std::string_view entry) {
    std::string label = GetField(entry, ';', 2, kSlotLabelFieldCapacity);
    if (label.empty())
        label = GetField(entry, ';', 1, kSlotLabelFieldCapacity);
    return label;
}

std::string ComponentsLabel(std::string_view productName, std::string_view components) {
    std::string_view name = productName;
    if (Utf8Length(name) > kShortProductNameCharacters) {
        const size_t blank = name.find(' ');
        if (blank != std::string_view::npos)
            name = name.substr(blank + 1);
    }
    std::string label(name);
    label += '\n';
    label += components;
    return label;
}

}  // namespace orx
