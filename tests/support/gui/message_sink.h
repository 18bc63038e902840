// Answers for the program's message boxes: while a sink is set, every message
// goes to it instead of a window, so that no test waits on a message box.
#pragma once

#include <deque>
#include <vector>

#include "dialogs/message_box_seam.h"

namespace orx::message_testing {

using MessageSink = MessageHook;
// An empty sink shows real boxes again.
void SetMessageSink(MessageSink sink);

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
