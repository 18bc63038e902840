// RSA keys: a SubjectPublicKeyInfo or a private key info read into views of every
// RSA number, and a public key (or key pair) written as a SubjectPublicKeyInfo.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "der/der.h"
#include "der/der_algorithm.h"

namespace orx {

enum class RsaNumber : size_t {
    kModulus,
    kPublicExponent,
    kPrivateExponent,
    kPrime1,
    kPrime2,
    kExponent1,
    kExponent2,
    kCoefficient,
};
inline constexpr size_t kRsaNumberCount = 8;

// The number of significant bits of an unsigned big-endian number (leading zero
// bytes and bits do not count): the size of an RSA key from its modulus.
size_t DerBitLength(DerBytes number);

class DerKeyPair : public Der {
  public:
    DerKeyPair() = default;
    ~DerKeyPair() override;

    int Clear() override;
    int Decode(DerBytes bytes) override;
    // Writes a SubjectPublicKeyInfo of the value views.
    int Encode(DerArea area, uint32_t* count) override;

    // True when there is no private exponent element.
    virtual bool IsPublicOnly() const;
    virtual int DecodeKeyAlgorithm(DerBytes element);
    // rsaEncryption with a NULL, whatever the algorithm text.
    virtual int EncodeKeyAlgorithm(DerArea area, uint32_t* count);
    virtual int DecodeKey(DerBytes element);
    virtual int EncodeKey(DerArea area, uint32_t* count);
    virtual int DecodeRsaKey(DerBytes element);
    virtual int EncodeRsaKey(DerArea area, uint32_t* count);

    AlgorithmInfo& algorithm() { return algorithm_; }
    const AlgorithmInfo& algorithm() const { return algorithm_; }
    // The RSA key SEQUENCE element.
    DerBytes key() const { return key_; }
    // The INTEGER element with its header.
    DerBytes Number(RsaNumber which) const { return numbers_[Index(which)]; }
    // The unsigned big-endian magnitude (one leading 0x00 removed).
    DerBytes Value(RsaNumber which) const { return values_[Index(which)]; }
    // Points a value view at the caller's bytes, which must outlive its use.
    void SetValue(RsaNumber which, DerBytes value) { values_[Index(which)] = value; }

  private:
    static size_t Index(RsaNumber which) { return static_cast<size_t>(which); }
    void ForgetViews();
    void ForgetViewsIntoWorkingCopy();

    AlgorithmInfo algorithm_;
    DerBytes key_;
    std::array<DerBytes, kRsaNumberCount> numbers_{};
    std::array<DerBytes, kRsaNumberCount> values_{};
};

}  // namespace orx
