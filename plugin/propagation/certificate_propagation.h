// Certificate propagation: while a soft token or a card is present its certificates
// are in the user's "MY" store, so that programs that look there find them; when the
// token goes they go too, unless the user keeps them ("CSP"/"KeepCertificates").
#pragma once

#include <cstdint>
#include <optional>

namespace orx {

class CardSlots;
class SoftTokens;

class CertificatePropagation {
  public:
    CertificatePropagation(SoftTokens& soft, CardSlots& cards) : soft_(soft), cards_(cards) {}

    // Brings "MY" in step with the tokens and cards present, unless nothing changed
    // since the last pass or "CSP"/"Enable" is off.
    void Run();
    // Forgets the last pass, so that the next one runs with settings just changed.
    void Forget() { propagatedStamp_.reset(); }

  private:
    SoftTokens& soft_;
    CardSlots& cards_;
    // The tokens' and cards' change stamp when "MY" was last brought in step.
    std::optional<uint64_t> propagatedStamp_;
};

}  // namespace orx
