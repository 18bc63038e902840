// Base64 (RFC 4648 alphabet, '=' padding, no line breaks on output). The decoder
// skips everything outside the alphabet and reads a PEM block's body.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orx {

// Characters that the encoding of `length` bytes takes, without terminator.
constexpr size_t Base64EncodedLength(size_t length) {
    return 4 * ((length + 2) / 3);
}

// Encodes into `out`, NUL-terminated. Returns the characters written, or -1 when
// out.size() is not greater than Base64EncodedLength(in.size()).
int Base64Encode(std::span<char> out, std::span<const uint8_t> in);
// The same without the terminator: for text that goes on behind it (line breaks,
// further blocks). -1 when out is smaller than Base64EncodedLength(in.size()).
int Base64EncodeUnterminated(std::span<char> out, std::span<const uint8_t> in);
std::string Base64Encode(std::span<const uint8_t> in);
std::string Base64Encode(std::string_view in);

// Decodes into `out`. Returns the bytes written, or -1 when out is too small.
int Base64Decode(std::span<uint8_t> out, std::string_view text);
// Decodes into a new buffer; never fails for lack of room.
std::vector<uint8_t> Base64Decode(std::string_view text);

// The characters of one block of Base64DecodeInBlocks: large enough that a
// megabyte goes to a file in a handful of writes, small beside the text itself.
inline constexpr size_t kBase64BlockText = 4 * 65536;

// Decodes as the one above, handing the bytes to `take` a block (three quarters of
// kBase64BlockText) at a time, so that a long text's bytes are never held whole.
// False as soon as `take` returns false.
bool Base64DecodeInBlocks(std::string_view text,
                          const std::function<bool(std::span<const uint8_t>)>& take);

}  // namespace orx
