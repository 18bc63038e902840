#include "directory/search_collector.h"

#include <algorithm>
#include <sstream>

#include "core/trace.h"

namespace orx::testing {

int SearchCollector::Consume(void* context, const char* entryText, const uint8_t* value,
                             size_t length) {
    auto* self = static_cast<SearchCollector*>(context);
    if (entryText == nullptr && value == nullptr && length == 0) {
        ++self->endCalls;
        return 0;
    }
    if (self->endCalls > 0)
        self->valueAfterEnd = true;
    self->values.push_back(
        {entryText != nullptr ? entryText : "<null>", std::vector<uint8_t>(value, value + length)});
    const size_t index = self->values.size() - 1;
    return index < self->answers.size() ? self->answers[index] : 1;
}

TraceCapture::TraceCapture(const IsolatedEnvironment& environment)
    : path_(environment / "trace.log") {
    TraceSetFile(path_);
}

TraceCapture::~TraceCapture() {
    TraceSetFile(nullptr);
}

std::vector<std::string> TraceCapture::Messages() const {
    std::vector<std::string> messages;
    std::istringstream in(ReadFile(path_));
    for (std::string line; std::getline(in, line);) {
        // "[pid:tid] hh.mm.ss.mmm message"
        size_t at = line.find("] ");
        at = at == std::string::npos ? std::string::npos : line.find(' ', at + 2);
        if (at != std::string::npos)
            messages.push_back(line.substr(at + 1));
    }
    return messages;
}

bool TraceCapture::Contains(const std::string& message) const {
    const auto messages = Messages();
    return std::find(messages.begin(), messages.end(), message) != messages.end();
}

int TraceCapture::Count(const std::string& prefix) const {
    int count = 0;
    for (const std::string& message : Messages())
        count += message.rfind(prefix, 0) == 0 ? 1 : 0;
    return count;
}

}  // namespace orx::testing
