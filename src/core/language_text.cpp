// Text lookup: deployment override, current table, English table; then the
// narrow form with its message number, and the title form.
#include <algorithm>
#include <cstdio>

#include "core/language.h"
#include "core/language_state.h"
#include "core/product_identity.h"
#include "core/string_table.h"
#include "core/text_encoding.h"

namespace orx {

using namespace language_detail;

namespace {

// Variants of a language (the primary language number in the low 10 bits)
// share one table; only the Swedish variant needs it today.
int TableFor(int languageId) {
    return (languageId & 0x3FF) == 26 ? 1050 : languageId;
}

// Overrides are written on one configuration line, so line breaks and tabs come
// escaped; any other backslash is the deployment's own text.
std::u16string UnescapeOverride(std::u16string_view text) {
    static constexpr std::u16string_view kEscaped = u"\\rnt";
    static constexpr std::u16string_view kMeant = u"\\\r\n\t";
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        const size_t k = (c == u'\\' && i + 1 < text.size()) ? kEscaped.find(text[i + 1])
                                                             : std::u16string_view::npos;
        if (k != std::u16string_view::npos) {
            c = kMeant[k];
            ++i;
        }
        out.push_back(c);
    }
    return out;
}

// At most capacity - 1 units, never half a surrogate pair; trailing blanks go,
// but two characters always stay.
std::u16string CopyTableText(std::u16string_view text, size_t capacity) {
    size_t length = std::min(text.size(), capacity > 0 ? capacity - 1 : 0);
    if (length > 0 && length < text.size() && text[length - 1] >= 0xD800 &&
        text[length - 1] < 0xDC00) {
        --length;
    }
    while (length > 2 && text[length - 1] == u' ')
        --length;
    return std::u16string(text.substr(0, length));
}

bool LookUpOverride(LanguageState& state, int id, size_t capacity, std::u16string& text) {
    if (!state.dynamicSource)
        return false;
    char key[32];
    std::snprintf(key, sizeof key, "%s_%04d", state.entries[state.currentIndex].code, id);
    std::u16string value;
    if (state.dynamicSource->GetWide("Dynamic Strings", key, value, capacity) != kConfigOk)
        return false;
    text = UnescapeOverride(value);
    return true;
}

}  // namespace

std::u16string GetTextWide(int id, size_t capacity) {
    LanguageState& state = State();
    LockGuard guard(state.lock);
    Prepare(state);
    if (state.currentId == kLanguageBlind)
        return {};
    std::u16string text;
    if (LookUpOverride(state, id, capacity, text))
        return text;
    text = CopyTableText(FindString(TableFor(state.currentId), id), capacity);
    if (text.empty())
        text = CopyTableText(FindString(kLanguageEnglish, id), capacity);
    return text;
}

std::string GetText(int id, size_t capacity) {
    const std::u16string wide = GetTextWide(id, capacity);
    std::string text(CutUtf8(WideToAnsi(wide), capacity > 0 ? capacity - 1 : 0));
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    if (text.empty())
        return text;
    // The number lets a user quote a message whatever language it was shown in.
    const char* format = nullptr;
    int number = 0;
    if (id >= 2000 && id <= 2099) {
        format = " (E%d)";
        number = id - 2000;
    } else if (id >= 2100 && id <= 2199) {
        format = " (M%d)";
        number = id - 2100;
    }
    if (format && text.size() + 6 < capacity) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, format, number);
        text += suffix;
    }
    return text;
}

std::string GetTitleText(int id, size_t capacity) {
    std::string text = GetText(id, capacity);
    InitProductIdentity();
    const std::string& product = GetProductName();
    // A blind title stays empty. No edition mark: this program is never a 32-bit
    // build on a 64-bit system.
    if (!text.empty() && text.size() + product.size() + 3 < capacity) {
        text += " - ";
        text += product;
    }
    return text;
}

}  // namespace orx
