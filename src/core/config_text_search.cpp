#include <cstring>

#include "core/config_file.h"
#include "core/config_text.h"
#include "core/string_helpers.h"
#include "core/text_encoding.h"
#include "core/trace.h"

namespace orx::config_text {

namespace {

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

void CopyCut(std::string_view value, std::string& out, size_t capacity) {
    out.assign(capacity == 0 ? std::string_view() : CutUtf8(value, capacity - 1));
}

// A header line "[name]..." for the given name (letter case ignored).
bool OpensSection(std::string_view line, std::string_view section) {
    return line.size() >= section.size() + 2 && line[0] == '[' &&
           EqualsNoCase(line.substr(1, section.size()), section) && line[section.size() + 1] == ']';
}

std::string_view LineText(const Text& text, Line line) {
    return std::string_view(text.bytes).substr(line.start, line.length);
}

}  // namespace

size_t CapacityFor(size_t length) {
    return (length / kGrowth + 1) * kGrowth;
}

void Normalise(std::string& text) {
    size_t marks = 0;
    while (marks < text.size() && (static_cast<unsigned char>(text[marks]) & 0x80) != 0)
        ++marks;
    text.erase(0, marks);
    if (std::memchr(text.data(), 0, text.size()) != nullptr)
        text = Utf16LeBytesToUtf8(text);
    for (char& c : text) {
        if (c == '\0')
            c = '.';
    }
}

Line ReadLine(Text& text) {
    const std::string& b = text.bytes;
    const size_t n = b.size();
    size_t p = text.readPos;
    while (p < n && (b[p] == ' ' || IsLineEnd(b[p])))
        ++p;
    Line line;
    line.start = p;
    size_t end = p;
    while (end < n && !IsLineEnd(b[end]))
        ++end;
    line.length = end - p < kMaxLine ? end - p : kMaxLine;
    p = end;
    if (p < n)
        p += (b[p] == '\r' && p + 1 < n && b[p + 1] == '\n') ? 2 : 1;
    text.readPos = p;
    text.lastLineLength = p - line.start;
    return line;
}

int Find(Text& text, std::string_view section, std::optional<std::string_view> key,
         std::string* value, size_t capacity) {
    if (value)
        value->clear();
    text.readPos = 0;
    for (;;) {
        const Line line = ReadLine(text);
        if (line.length == 0)
            return kConfigSectionMissing;
        if (OpensSection(LineText(text, line), section))
            break;
    }
    text.sectionPos = text.readPos;
    size_t insertAt = text.sectionPos;
    for (;;) {
        const Line line = ReadLine(text);
        if (line.length == 0)
            break;
        const std::string_view content = LineText(text, line);
        if (content[0] == '[' || content[0] == '<') {
            text.readPos = line.start;
            break;
        }
        if (key && content.size() > key->size() && content[key->size()] == '=' &&
            EqualsNoCase(content.substr(0, key->size()), *key)) {
            if (value)
                CopyCut(TrimEnd(content.substr(key->size() + 1)), *value, capacity);
            return kConfigOk;
        }
        insertAt = text.readPos;
    }
    text.readPos = insertAt;
    return key ? kConfigKeyMissing : kConfigOk;
}

int Set(Text& text, std::string_view section, std::string_view key, std::string_view value) {
    const int found = Find(text, section, key, nullptr, 0);
    std::string insert;
    size_t at = 0;
    size_t remove = 0;
    if (found == kConfigOk) {
        at = text.readPos - text.lastLineLength;
        remove = text.lastLineLength;
        insert.append(key).append("=").append(value).append("\n");
    } else if (found == kConfigKeyMissing) {
        at = text.readPos;
        const std::string& b = text.bytes;
        // A last line without its line end gets one, so the entry stands on its own.
        if (at == b.size() && at > 0 && !IsLineEnd(b[at - 1]))
            insert.append("\n");
        insert.append(key).append("=").append(value).append("\n");
    } else if (found == kConfigSectionMissing) {
        at = text.bytes.size();
        insert.append("\n[").append(section).append("]\n");
        insert.append(key).append("=").append(value).append("\n");
    } else {
        return found;
    }
    if (text.capacity < text.bytes.size() || text.capacity - text.bytes.size() < insert.size()) {
        Trace("Config - Increase for set (%d)", static_cast<int>(insert.size()));
        while (text.capacity < text.bytes.size() ||
               text.capacity - text.bytes.size() < insert.size()) {
            text.capacity += kGrowth;
        }
    }
    text.bytes.replace(at, remove, insert);
    return kConfigOk;
}

int DeleteKey(Text& text, std::string_view section, std::string_view key) {
    const int found = Find(text, section, key, nullptr, 0);
    if (found == kConfigOk) {
        text.bytes.erase(text.readPos - text.lastLineLength, text.lastLineLength);
        text.readPos -= text.lastLineLength;
    }
    return found;
}

void DeleteSection(Text& text, std::string_view section) {
    std::string& b = text.bytes;
    std::string header;
    header.append("[").append(section).append("]");
    size_t at = 0;
    for (;;) {
        at = b.find(header, at);
        if (at == std::string::npos)
            return;
        if (at == 0 || IsLineEnd(b[at - 1]))
            break;
        ++at;
    }
    const size_t from = at == 0 ? 0 : at - 1;
    size_t to = b.size();
    for (size_t i = at + header.size(); i + 1 < b.size(); ++i) {
        if (IsLineEnd(b[i]) && b[i + 1] == '[') {
            to = i;
            break;
        }
    }
    b.erase(from, to - from);
    text.readPos = 0;
}

int EnumKey(Text& text, std::string_view section, std::string& key, size_t capacity,
            int& position) {
    key.clear();
    text.readPos = 0;
    for (;;) {
        const Line line = ReadLine(text);
        if (line.length == 0)
            return kConfigFailed;
        const std::string_view content = LineText(text, line);
        // Only a header exactly as long as the bracketed name counts here.
        if (content.size() == section.size() + 2 && (content[0] == '[' || content[0] == '<') &&
            EqualsNoCase(content.substr(1, section.size()), section)) {
            break;
        }
    }
    int count = 0;
    for (;;) {
        const Line line = ReadLine(text);
        if (line.length == 0)
            return kConfigFailed;
        const std::string_view content = LineText(text, line);
        if (content[0] == '[' || content[0] == '<')
            return kConfigFailed;
        if (content[0] == ';' || content[0] == '#')
            continue;
        if (count == position) {
            CopyCut(content.substr(0, content.find('=')), key, capacity);
            ++position;
            return kConfigOk;
        }
        ++count;
    }
}

}  // namespace orx::config_text
