#include "core/number_text.h"

namespace orx {

int32_t AtoI(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    uint32_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
        ++i;
    }
    return static_cast<int32_t>(negative ? 0u - value : value);
}

uint32_t ParseNumber(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && text[1] == 'x') {
        std::string_view digits = text.substr(2);
        size_t count = 0;
        while (count < digits.size() && HexDigitValue(digits[count]) >= 0)
            ++count;
        digits = digits.substr(0, count);
        uint32_t value = 0;
        size_t i = 0;
        if (count % 2 == 1) {
            value = static_cast<uint32_t>(HexPairToByte('0', digits[0]));
            i = 1;
        }
        for (; i < count; i += 2) {
            value = (value << 8) | HexPairToByte(digits[i], digits[i + 1]);
        }
        return value;
    }
    return static_cast<uint32_t>(AtoI(text));
}

std::string CertTimeToDate(std::string_view time) {
    std::string digits;
    if (time.empty() || time.back() != 'Z')
        return {};
    if (time.size() == 15) {
        digits.assign(time.substr(0, 8));
    } else if (time.size() == 13) {
        digits.assign(time[0] > '5' ? "19" : "20");
        digits.append(time.substr(0, 6));
    } else {
        return {};
    }
    std::string out = digits.substr(0, 4);
    out.push_back('-');
    out.append(digits.substr(4, 2));
    out.push_back('-');
    out.append(digits.substr(6, 2));
    return out;
}

}  // namespace orx
