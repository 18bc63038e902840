// The logins of a set of slots, each with what it needs (at least its `key`): a
// login ends with its key wiped, and a trace line says so. A login not used for a
// while can be ended ("Smart Card Reader"/"LockTimeout"): logging in and every use
// of the key count as use.
#pragma once

#include <chrono>
#include <map>

#include "core/trace.h"
#include "keys/token_crypto.h"

namespace orx {

template <typename Login>
class Logins {
  public:
    using Clock = std::chrono::steady_clock;

    Logins() = default;
    ~Logins() { EndAll(); }
    Logins(const Logins&) = delete;
    Logins& operator=(const Logins&) = delete;

    Login* Find(int slot) {
        auto it = logins_.find(slot);
        return it == logins_.end() ? nullptr : &it->second.login;
    }
    void Put(int slot, Login login) { logins_[slot] = Entry{std::move(login), Clock::now()}; }
    // The login's key was used just now.
    void Touch(int slot) {
        auto it = logins_.find(slot);
        if (it != logins_.end())
            it->second.lastUse = Clock::now();
    }
    void End(int slot) {
        auto it = logins_.find(slot);
        if (it == logins_.end())
            return;
        it->second.login.key.encryption.Wipe();
        it->second.login.key.mac.Wipe();
        logins_.erase(it);
        Trace("Plg - Logout of slot %d", slot);
    }
    void EndAll() {
        while (!logins_.empty())
            End(logins_.begin()->first);
    }
    // Ends every login whose key was not used for `idle` or longer.
    void EndIdle(Clock::duration idle) {
        const Clock::time_point now = Clock::now();
        for (auto it = logins_.begin(); it != logins_.end();) {
            const int slot = it->first;
            const bool expired = now - it->second.lastUse >= idle;
            ++it;
            if (expired) {
                Trace("Plg - Slot %d was not used for a while", slot);
                End(slot);
            }
        }
    }

  private:
    struct Entry {
        Login login;
        Clock::time_point lastUse;
    };
    std::map<int, Entry> logins_;
};

}  // namespace orx
