// What a search hands to its consumer, recorded, with scripted answers; and the
// trace lines of a test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/test_environment.h"

namespace orx::testing {

struct SearchCollector {
    struct Value {
        std::string entryText;
        std::vector<uint8_t> bytes;
    };
    std::vector<Value> values;
    int endCalls = 0;
    bool valueAfterEnd = false;
    // Answers for the values in order; 1 ("continue") once they run out.
    std::vector<int> answers;

    static int Consume(void* context, const char* entryText, const uint8_t* value, size_t length);
};

// Switches the trace on into a file of the isolated environment for a scope.
class TraceCapture {
  public:
    explicit TraceCapture(const IsolatedEnvironment& environment);
    ~TraceCapture();
    // The messages written so far, without process, thread and time.
    std::vector<std::string> Messages() const;
    bool Contains(const std::string& message) const;
    // Messages that begin with this text.
    int Count(const std::string& prefix) const;

  private:
    std::string path_;
};

}  // namespace orx::testing
