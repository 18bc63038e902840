// Byte vectors from hex text and a trace log to look into, for the codec tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/trace.h"
#include "support/test_environment.h"

namespace orx::testing {

// "30 80 02" or "308002" as bytes; anything but hex digits is skipped.
inline std::vector<uint8_t> Hex(std::string_view text) {
    std::vector<uint8_t> bytes;
    int high = -1;
    for (char c : text) {
        int v;
        if (c >= '0' && c <= '9') {
            v = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            v = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            v = c - 'A' + 10;
        } else {
            continue;
        }
        if (high < 0) {
            high = v;
        } else {
            bytes.push_back(static_cast<uint8_t>(high * 16 + v));
            high = -1;
        }
    }
    return bytes;
}

inline std::string ToHex(const uint8_t* data, size_t size) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < size; ++i) {
        if (i)
            out.push_back(' ');
        out.push_back(digits[data[i] >> 4]);
        out.push_back(digits[data[i] & 15]);
    }
    return out;
}

template <typename Bytes>
std::string ToHex(const Bytes& bytes) {
    return ToHex(bytes.data(), bytes.size());
}

// "C5A001", as openssl prints a modulus.
template <typename Bytes>
std::string HexCompact(const Bytes& bytes) {
    std::string out = ToHex(bytes);
    std::erase(out, ' ');
    return out;
}

// What a command printed after its first '=', without the line break.
inline std::string ValueAfterEquals(std::string line) {
    line.erase(0, line.find('=') + 1);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

// Tracing into a file of an isolated environment for the life of the object.
class TraceCapture {
  public:
    TraceCapture() : path_(env_ / "trace.txt") { TraceSetFile(path_); }
    ~TraceCapture() { TraceSetFile(nullptr); }
    std::string Text() const { return PathExists(path_) ? ReadFile(path_) : std::string(); }
    bool Has(std::string_view line) const {
        return Text().find(std::string(line) + "\n") != std::string::npos;
    }
    void Reset() const { WriteFile(path_, ""); }
    const IsolatedEnvironment& env() const { return env_; }

  private:
    IsolatedEnvironment env_;
    std::string path_;
};

}  // namespace orx::testing
