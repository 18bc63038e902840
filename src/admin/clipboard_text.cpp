#include "admin/clipboard_text.h"

#include <string_view>

namespace orx {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kPemBegin = "-----BEGIN CERTIFICATE-----";
constexpr std::string_view kPemEnd = "-----END CERTIFICATE-----";

// Counts what it is given.
struct Measure {
    size_t size = 0;
    void operator()(std::string_view piece) { size += piece.size(); }
};

// Appends what it is given.
struct Fill {
    std::string& text;
    void operator()(std::string_view piece) { text.append(piece); }
};

template <typename Sink>
void Emit(const ClipboardContent& content, Sink& put) {
    for (const std::string* line : {&content.headerLine1, &content.headerLine2}) {
        if (!line->empty()) {
            put(*line);
            put(kLineEnd);
        }
    }
    put(kLineEnd);
    for (const ClipboardRow& row : content.rows) {
        for (const std::string& cell : row.cells) {
            put(cell);
            put("\t");
        }
        if (row.certificate) {
            const std::string_view base64 = *row.certificate;
            put(kLineEnd);
            put(kPemBegin);
            put(kLineEnd);
            for (size_t at = 0; at < base64.size(); at += kPemLineLength) {
                put(base64.substr(at, kPemLineLength));
                put(kLineEnd);
            }
            put(kPemEnd);
            put(kLineEnd);
        }
        put(kLineEnd);
    }
    if (content.componentValues) {
        put(kLineEnd);
        for (const std::string& value : *content.componentValues) {
            put(value);
            put(kLineEnd);
        }
    }
}

}  // namespace

std::string ClipboardText(const ClipboardContent& content) {
    Measure measure;
    Emit(content, measure);
    std::string text;
    text.reserve(measure.size);
    Fill fill{text};
    Emit(content, fill);
    return text;
}

}  // namespace orx
