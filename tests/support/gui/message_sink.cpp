#include "support/gui/message_sink.h"

namespace orx::message_testing {

void SetMessageSink(MessageSink sink) {
    MessageBoxOverride() = std::move(sink);
}

ScopedMessageSink::ScopedMessageSink(int defaultAnswer) : defaultAnswer_(defaultAnswer) {
    SetMessageSink([this](const MessageRecord& message) {
        messages_.push_back(message);
        if (answers_.empty())
            return defaultAnswer_;
        const int answer = answers_.front();
        answers_.pop_front();
        return answer;
    });
}

ScopedMessageSink::~ScopedMessageSink() {
    SetMessageSink(nullptr);
}

}  // namespace orx::message_testing
