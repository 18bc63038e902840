// Timers by number, as a window keeps them: starting an id that runs restarts it
// with the new interval; every tick calls the owner's OnTimer(id). Timers repeat
// until killed (a handler that wants one tick kills its timer first).
#pragma once

#include <QTimer>
#include <functional>
#include <map>
#include <memory>

namespace orx {

class TimerSet {
  public:
    explicit TimerSet(std::function<void(int timerId)> onTimer);
    ~TimerSet();
    TimerSet(const TimerSet&) = delete;
    TimerSet& operator=(const TimerSet&) = delete;

    void SetTimer(int timerId, int intervalMs);
    // False when that timer was not running.
    bool KillTimer(int timerId);
    bool IsRunning(int timerId) const;
    void KillAll();

  private:
    std::function<void(int)> onTimer_;
    // Kept after a kill: a handler may kill the very timer whose tick is running.
    std::map<int, std::unique_ptr<QTimer>> timers_;
};

}  // namespace orx
