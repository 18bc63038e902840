// AlgorithmIdentifier: an object identifier and its parameters.
#pragma once

#include <cstdint>
#include <string>

#include "der/der_encode.h"
#include "der/der_reader.h"

namespace orx {

inline constexpr const char* kOidRsaEncryption = "1.2.840.113549.1.1.1";
inline constexpr const char* kOidRsaesOaep = "1.2.840.113549.1.1.7";

struct AlgorithmInfo {
    DerBytes element;  // the whole SEQUENCE
    DerBytes oid;      // the OBJECT IDENTIFIER element with its header
    std::string text;  // dotted, at most 63 characters
    // Decoded: everything in the SEQUENCE behind the identifier (05 00 for a NULL).
    // To encode: the raw parameter content without tag and length; empty for none.
    DerBytes parameters;
};

// Fills `info` from a SEQUENCE element. Returns 0 or a negative code.
int DerDecodeAlgorithm(DerBytes element, AlgorithmInfo* info);

// Writes the SEQUENCE of the dotted text and its parameters: an OCTET STRING when
// parameters are given, otherwise a NULL (an empty SEQUENCE for RSAES-OAEP).
int DerEncodeAlgorithm(const AlgorithmInfo& info, DerArea area, uint32_t* count);

}  // namespace orx
