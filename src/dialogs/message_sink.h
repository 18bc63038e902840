// The test seam of the message boxes: while a sink is set, ShowMessage hands
// every message to it, with the text and link the box would show, and returns the
// sink's answer instead of showing a window. No test ever waits on a message box.
#pragma once

#include <QWidget>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace orx::message_testing {

struct MessageRecord {
    QWidget* owner = nullptr;
    std::string caption;
    std::string text;  // as the box shows it: line breaks joined, link appended
    int style = 0;
    std::string link;  // the clickable link the box finds in the text
};

using MessageSink = std::function<int(const MessageRecord& message)>;
// An empty sink shows real boxes again.
void SetMessageSink(MessageSink sink);
bool HasMessageSink();
int Deliver(const MessageRecord& message);

// Records every message for the scope and answers from a queue of answers, then
// with the default answer (1, OK).
class ScopedMessageSink {
  public:
    explicit ScopedMessageSink(int defaultAnswer = 1);
    ~ScopedMessageSink();
    ScopedMessageSink(const ScopedMessageSink&) = delete;
    ScopedMessageSink& operator=(const ScopedMessageSink&) = delete;

    void QueueAnswer(int answer) { answers_.push_back(answer); }
    const std::vector<MessageRecord>& Messages() const { return messages_; }

  private:
    int defaultAnswer_;
    std::deque<int> answers_;
    std::vector<MessageRecord> messages_;
};

}  // namespace orx::message_testing
