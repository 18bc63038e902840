#include "properties/list_field.h"

namespace orx {

std::string SlotField(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == ';')
            c = ',';
    }
    return out;
}

std::string ListField(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == ';')
            c = ',';
        else if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    }
    return out;
}

}  // namespace orx
