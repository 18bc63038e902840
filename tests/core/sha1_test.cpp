#include "core/sha1.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/hex_text.h"

namespace orx {
namespace {

std::span<const uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

struct Vector {
    std::string message;
    const char* digest;
};

TEST(Sha1, FipsAndKnownVectors) {
    const Vector vectors[] = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrl"
         "mnopqrsmnopqrstnopqrstu",
         "a49b2446a02c645bf419f995b67091253a04a259"},
        {"The quick brown fox jumps over the lazy dog", "2fd4e1c67a2d28fced849ee1bb76e7391b93eb12"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        // Around the padding boundaries: the length field fits behind 0x80 up to 55
        // bytes in a block, from 56 on it needs a second block.
        {std::string(55, 'a'), "c1c8bbdc22796e28c0e15163d20899b65621d65a"},
        {std::string(56, 'a'), "c2db330f6083854c99d4b5bfb6e8f29f201be699"},
        {std::string(57, 'a'), "f08f24908d682555111be7ff6f004e78283d989a"},
        {std::string(63, 'a'), "03f09f5b158a7a8cdad920bddc29b81c18a551f5"},
        {std::string(64, 'a'), "0098ba824b5c16427bd7a1122a5a442a25ec644d"},
        {std::string(65, 'a'), "11655326c708d70319be2610e8a57d9a5b959d3b"},
        {std::string(119, 'a'), "ee971065aaa017e0632a8ca6c77bb3bf8b1dfc56"},
        {std::string(120, 'a'), "f34c1488385346a55709ba056ddd08280dd4c6d6"},
        {std::string(127, 'a'), "89d95fa32ed44a7c610b7ee38517ddf57e0bb975"},
        {std::string(128, 'a'), "ad5b3fdbcb526778c2839d2f151ea753995e26a0"},
    };
    for (const auto& v : vectors) {
        EXPECT_EQ(HexText(Sha1(Bytes(v.message))), v.digest) << "length " << v.message.size();
    }
}

TEST(Sha1, UpdatesSplitAnywhereMatchOneShot) {
    std::vector<uint8_t> message(200);
    for (size_t i = 0; i < message.size(); ++i)
        message[i] = static_cast<uint8_t>(i * 7 + 3);
    const Sha1Digest expected = Sha1(message);
    const std::span<const uint8_t> all(message);
    Sha1Context context;  // used again: each Init must start afresh
    for (size_t first = 0; first <= message.size(); ++first) {
        for (size_t second = first; second <= message.size(); ++second) {
            Sha1Init(context);
            Sha1Update(context, all.subspan(0, first));
            Sha1Update(context, all.subspan(first, second - first));
            Sha1Update(context, all.subspan(second));
            Sha1Digest digest;
            Sha1Final(context, digest);
            ASSERT_EQ(digest, expected) << "split at " << first << " and " << second;
        }
    }
}

// From 512 MiB on, the bit length needs the high word of the length field. Rather
// than hash that much, a context is put at such a count and its final block is
// compared with the same padding block hashed as plain data.
TEST(Sha1, LengthFieldBeyond512MiB) {
    for (const uint32_t count : {0x20000000u, 0xFFFFFFC0u, 0x12345680u}) {
        Sha1Context atCount;
        Sha1Init(atCount);
        atCount.count = count;
        Sha1Digest digest;
        Sha1Final(atCount, digest);

        const uint64_t bits = uint64_t{count} * 8;
        std::vector<uint8_t> block(64, 0);
        block[0] = 0x80;
        for (int i = 0; i < 8; ++i) {
            block[56 + i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
        }
        Sha1Context plain;
        Sha1Init(plain);
        Sha1Update(plain, block);
        Sha1Digest expected;
        for (int i = 0; i < 20; ++i) {
            expected[i] = static_cast<uint8_t>(plain.state[i / 4] >> (24 - 8 * (i % 4)));
        }
        EXPECT_EQ(digest, expected) << std::hex << count;
    }
}

}  // namespace
}  // namespace orx
