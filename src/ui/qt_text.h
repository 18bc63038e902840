// The program keeps its texts as UTF-8 std::string; Qt keeps QString. These are the
// only two conversions between them.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace orx {

inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToUtf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace orx
