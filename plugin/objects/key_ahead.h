// The private key of a certificate on a card, looked for on a thread of its own (the
// card's login, its PIN dialog included, then the key on the card) while the
// operation that needs it goes on: a signature hashes its content meanwhile, and only
// the card's private operation at the end waits for the key. The look-up touches the
// tokens alone and the operation leaves them alone until it has waited.
#pragma once

#include <functional>
#include <thread>

#include "cms/cms_library.h"

namespace orx {

class KeyAhead {
  public:
    // `find` answers as TokenAccess::PrivateKeyFor and fills the key.
    explicit KeyAhead(std::function<int(PkeyPtr& key)> find) : find_(std::move(find)) {}
    ~KeyAhead();  // waits
    KeyAhead(const KeyAhead&) = delete;
    KeyAhead& operator=(const KeyAhead&) = delete;

    // Starts the look-up; without a thread to be had, the first Wait() does it.
    void Start();
    // Waits for the look-up (the first time); its answer.
    int Wait();
    // The key found, after a Wait() that answered CKR_OK.
    EVP_PKEY* key() const { return key_.get(); }

  private:
    std::function<int(PkeyPtr& key)> find_;
    std::thread thread_;
    PkeyPtr key_;
    int result_ = 0;
    bool done_ = false;
};

}  // namespace orx
