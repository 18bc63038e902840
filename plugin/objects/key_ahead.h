// The private key of a certificate on a card, looked for on a thread of its own (the
// card's login, its PIN dialog included, then the key on the card) while the
// operation that needs it goes on: a signature hashes its content meanwhile, and only
// the card's private operation at the end waits for the key. The look-up touches the
// tokens alone and the operation leaves them alone until it has waited.
#pragma once

#include <functional>

#include "cms/cms_library.h"
#include "core/os/work_ahead.h"

namespace orx {

class KeyAhead {
  public:
    // `find` answers as TokenAccess::PrivateKeyFor and fills the key.
    explicit KeyAhead(std::function<int(PkeyPtr& key)> find)
        : work_([this, find = std::move(find)] { result_ = find(key_); }) {}
    KeyAhead(const KeyAhead&) = delete;
    KeyAhead& operator=(const KeyAhead&) = delete;

    // Starts the look-up.
    void Start() { work_.Start(); }
    // Waits for the look-up (or does it, the first time); its answer.
    int Wait() {
        work_.Wait();
        return result_;
    }
    // The key found, after a Wait() that answered CKR_OK.
    EVP_PKEY* key() const { return key_.get(); }

  private:
    PkeyPtr key_;
    int result_ = 0;
    WorkAhead work_;  // last: it waits before the key and the answer go
};

}  // namespace orx
