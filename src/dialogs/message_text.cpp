#include "dialogs/message_text.h"

namespace orx {

std::string PrepareMessageText(std::string_view text, std::string_view link) {
    if (text.size() >= kMessageTextCapacity)
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n') {
            out.push_back(text[i]);
        } else if (i + 1 < text.size() && text[i + 1] == '\n') {
            out.append("\n\n");
            ++i;
        } else {
            out.push_back(' ');
        }
    }
    if (!link.empty() && out.size() + 2 + link.size() < kMessageTextCapacity) {
        out.append("\n\n");
        out.append(link);
    }
    return out;
}

bool IsUrlChar(char32_t ch) {
    return ch != U'\0' && ch != U'\n' && ch != U' ' && ch != U',' && ch != U'(' && ch != U')';
}

std::string ExtractLink(std::string_view text) {
    const size_t scheme = text.find("://");
    if (scheme == std::string_view::npos)
        return {};
    size_t start = scheme;
    while (start > 0 && IsUrlChar(static_cast<unsigned char>(text[start - 1])))
        --start;
    std::string link;
    for (size_t i = start; i < text.size() && link.size() < kLinkCapacity - 1; ++i) {
        if (!IsUrlChar(static_cast<unsigned char>(text[i])))
            break;
        link.push_back(text[i]);
    }
    if (!link.empty() && link.back() == '.')
        link.pop_back();
    return link;
}

std::string ExtractMessageCode(std::string_view text) {
    for (size_t open = text.find(" ("); open != std::string_view::npos;
         open = text.find(" (", open + 1)) {
        const size_t start = open + 2;
        const size_t close = text.find(')', start);
        if (close == std::string_view::npos)
            break;
        if (close - start < 10 && text.substr(close + 1, 2) == "\n\n") {
            return std::string(text.substr(start, close - start));
        }
    }
    return {};
}

std::string BuildHelpUrl(std::string_view link, std::string_view language, std::string_view code) {
    std::string url(link);
    url.append("?language=");
    url.append(language.substr(0, kLanguageCapacity - 1));
    if (!code.empty()) {
        url.append("&code=");
        url.append(code);
    }
    return url;
}

std::vector<WrappedLine> WrapMessageText(const QString& text, int width,
                                         const std::function<int(const QString&)>& measure) {
    std::vector<WrappedLine> lines;
    QString current;
    int currentStart = 0;
    const int n = static_cast<int>(text.size());
    int i = 0;
    auto skipBlanks = [&]() {
        while (i < n && text[i] == QLatin1Char(' '))
            ++i;
    };
    while (i < n && static_cast<int>(lines.size()) < kMaxMessageLines) {
        const QChar ch = text[i];
        if (ch == QLatin1Char('\n')) {
            lines.push_back({current, currentStart});
            current.clear();
            currentStart = ++i;
            continue;
        }
        if (!current.isEmpty() &&
            (current.size() >= kMaxMessageLineLength || measure(current + ch) > width)) {
            const qsizetype blank = current.lastIndexOf(QLatin1Char(' '));
            if (blank > 0) {
                lines.push_back({current.left(blank), currentStart});
                // The words after the blank start the next line.
                qsizetype rest = blank + 1;
                while (rest < current.size() && current[rest] == QLatin1Char(' '))
                    ++rest;
                currentStart += static_cast<int>(rest);
                current = current.mid(rest);
                if (current.isEmpty()) {
                    skipBlanks();
                    currentStart = i;
                }
            } else {
                lines.push_back({current, currentStart});
                current.clear();
                skipBlanks();
                currentStart = i;
            }
            continue;
        }
        current.append(ch);
        ++i;
    }
    if (!current.isEmpty() && static_cast<int>(lines.size()) < kMaxMessageLines) {
        lines.push_back({current, currentStart});
    }
    return lines;
}

}  // namespace orx
