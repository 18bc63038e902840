// Byte vectors from hex text and a trace log to look into, for the codec tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "core/hex_text.h"
#include "core/trace.h"
#include "support/process_state.h"
#include "support/test_environment.h"

namespace orx::testing {

// "30 80 02" or "308002" as bytes; anything but hex digits is skipped.
inline std::vector<uint8_t> Hex(std::string_view text) {
    std::vector<uint8_t> bytes;
    int high = -1;
    for (char c : text) {
        const int v = HexDigitValue(c);
        if (v < 0)
            continue;
        if (high < 0) {
            high = v;
        } else {
            bytes.push_back(static_cast<uint8_t>(high * 16 + v));
            high = -1;
        }
    }
    return bytes;
}

// "30 80 02", as the tests write their vectors.
inline std::string ToHex(const uint8_t* data, size_t size) {
    return HexText({data, size}, HexCase::kUpper, " ");
}

template <typename Bytes>
std::string ToHex(const Bytes& bytes) {
    return ToHex(bytes.data(), bytes.size());
}

// "C5A001", as openssl prints a modulus.
template <typename Bytes>
std::string HexCompact(const Bytes& bytes) {
    return HexText({bytes.data(), bytes.size()}, HexCase::kUpper);
}

// What a command printed after its first '=', without the line break.
inline std::string ValueAfterEquals(std::string line) {
    line.erase(0, line.find('=') + 1);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

// Holds the process clock at the second it is set to while the object lives:
// validity and the expired flag are decided against it.
class FixedClock {
  public:
    explicit FixedClock(long long seconds = 0) {
        Set(seconds);
        clock_testing::SetClock(Millis);
    }
    ~FixedClock() { clock_testing::SetClock(nullptr); }
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;
    void Set(long long seconds) { millis_ = seconds * 1000; }

  private:
    static long long Millis() { return millis_; }
    static inline long long millis_ = 0;
};

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
