#include "dialogs/message_sink.h"

namespace orx::message_testing {

namespace {
MessageSink& Sink() {
    static MessageSink sink;
    return sink;
}
}  // namespace

void SetMessageSink(MessageSink sink) {
    Sink() = std::move(sink);
}

bool HasMessageSink() {
    return static_cast<bool>(Sink());
}

int Deliver(const MessageRecord& message) {
    return Sink() ? Sink()(message) : -1;
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
