// The logins of a set of slots, each with what it needs (at least its `key`): a
// login ends with its key wiped, and a trace line says so.
#pragma once

#include <map>

#include "core/trace.h"
#include "keys/token_crypto.h"

namespace orx {

template <typename Login>
class Logins {
  public:
    Logins() = default;
    ~Logins() { EndAll(); }
    Logins(const Logins&) = delete;
    Logins& operator=(const Logins&) = delete;

    Login* Find(int slot) {
        auto it = logins_.find(slot);
        return it == logins_.end() ? nullptr : &it->second;
    }
    void Put(int slot, Login login) { logins_[slot] = std::move(login); }
    void End(int slot) {
        auto it = logins_.find(slot);
        if (it == logins_.end())
            return;
        it->second.key.encryption.Wipe();
        it->second.key.mac.Wipe();
        logins_.erase(it);
        Trace("Plg - Logout of slot %d", slot);
    }
    void EndAll() {
        while (!logins_.empty())
            End(logins_.begin()->first);
    }

  private:
    std::map<int, Login> logins_;
};

}  // namespace orx
