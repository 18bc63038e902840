// Result codes of the DER codec, shared by the primitives, the name operations and
// the certificate and key codecs.
#pragma once

#include <cstdint>

namespace orx {

inline constexpr int32_t DER_OK = 0;
inline constexpr int32_t DER_FAILED = -1;
inline constexpr int32_t DER_NO_MEMORY = -2;
inline constexpr int32_t DER_BAD_TAG = -3;
inline constexpr int32_t DER_BAD_LENGTH = -4;
inline constexpr int32_t DER_BUFFER_TOO_SMALL = -5;
inline constexpr int32_t DER_BAD_KEY_TYPE = -6;
inline constexpr int32_t DER_NOT_IMPLEMENTED = -666;

// Tags the codec reads and writes (single octets only).
inline constexpr uint8_t kTagBoolean = 0x01;
inline constexpr uint8_t kTagInteger = 0x02;
inline constexpr uint8_t kTagBitString = 0x03;
inline constexpr uint8_t kTagOctetString = 0x04;
inline constexpr uint8_t kTagNull = 0x05;
inline constexpr uint8_t kTagOid = 0x06;
inline constexpr uint8_t kTagUtf8String = 0x0C;
inline constexpr uint8_t kTagPrintableString = 0x13;
inline constexpr uint8_t kTagT61String = 0x14;
inline constexpr uint8_t kTagUtcTime = 0x17;
inline constexpr uint8_t kTagBmpString = 0x1E;
inline constexpr uint8_t kTagSequence = 0x30;
inline constexpr uint8_t kTagSet = 0x31;

}  // namespace orx
