// The long runs of Base64: a file of megabytes crosses the plug-in boundary as
// Base64 in both directions, so whole groups are coded here, 24 bytes at a time with
// AVX2 where the processor has it, and the callers deal only with the ends (padding,
// line breaks, characters outside the alphabet).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace orx {

inline constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Encodes every whole group of three of `in` (in.size() / 3 * 3 bytes, which it
// returns); out needs room for exactly 4/3 of that and nothing is written behind.
size_t Base64EncodeBulk(std::span<char> out, std::span<const uint8_t> in);

// Decodes whole groups of four alphabet characters (no '=', no line break, nothing
// else) from the start of `in` and stops before the first group that holds anything
// else or where out has less than 4 bytes of room beyond it; returns the characters
// consumed (a multiple of 4), out gets 3/4 of that. out may start at in or before it
// in the same buffer: decoding in place never writes ahead of what was read.
size_t Base64DecodeBulk(std::span<uint8_t> out, std::span<const uint8_t> in);

// For tests: false keeps to the plain path, true lets the processor's best one run.
void Base64UseVectorPath(bool enabled);
// True when the processor has a vector path (so that tests know what they compare).
bool Base64HasVectorPath();

}  // namespace orx
