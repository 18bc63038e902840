#include "ui/timer_set.h"

namespace orx {

TimerSet::TimerSet(std::function<void(int)> onTimer) : onTimer_(std::move(onTimer)) {}

TimerSet::~TimerSet() {
    KillAll();
}

void TimerSet::SetTimer(int timerId, int intervalMs) {
    std::unique_ptr<QTimer>& timer = timers_[timerId];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, [this, timerId]() {
            if (onTimer_)
                onTimer_(timerId);
        });
    }
    timer->start(intervalMs < 0 ? 0 : intervalMs);
}

bool TimerSet::KillTimer(int timerId) {
    const auto it = timers_.find(timerId);
    if (it == timers_.end() || !it->second->isActive())
        return false;
    it->second->stop();
    return true;
}

bool TimerSet::IsRunning(int timerId) const {
    const auto it = timers_.find(timerId);
    return it != timers_.end() && it->second->isActive();
}

void TimerSet::KillAll() {
    for (auto& [id, timer] : timers_)
        timer->stop();
}

}  // namespace orx
