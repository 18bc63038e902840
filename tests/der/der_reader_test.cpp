#include "der/der_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "der/der_result.h"
#include "der_test_support.h"

namespace orx {
namespace {

using testing::Hex;
using testing::ToHex;

struct ElementCase {
    const char* title;
    const char* bytes;
    bool ok;
    const char* content = "";  // when read
    size_t after = 0;          // the cursor behind the element
};

// Every way an element can be whole, cut short or claim more than there is.
TEST(DerReader, ReadAnyElementTakesWholeElementsOnly) {
    const ElementCase cases[] = {
        {"short form", "02 01 05 FF", true, "05", 3},
        {"empty content", "05 00", true, "", 2},
        {"long form", "04 81 02 AA BB", true, "AA BB", 5},
        {"non-minimal long form", "04 82 00 01 CC", true, "CC", 5},
        {"indefinite, with its end mark", "30 80 02 01 07 00 00 EE", true, "02 01 07 00 00", 7},
        {"no bytes", "", false},
        {"tag alone", "30", false},
        {"content cut short", "04 03 AA BB", false},
        {"long-form length octets cut short", "04 82 01", false},
        {"length beyond the bytes", "04 81 FF AA", false},
        {"length beyond 32 bits", "04 85 01 00 00 00 00 00", false},
        {"indefinite without end mark", "30 80 02 01 07", false},
    };
    for (const ElementCase& c : cases) {
        SCOPED_TRACE(c.title);
        const auto bytes = Hex(c.bytes);
        DerReader reader(bytes);
        DerElement element;
        ASSERT_EQ(reader.ReadAnyElement(&element), c.ok);
        if (!c.ok) {
            EXPECT_EQ(reader.offset(), 0u);
            continue;
        }
        EXPECT_EQ(element.tag, bytes[0]);
        EXPECT_EQ(ToHex(element.content), c.content);
        EXPECT_EQ(reader.offset(), c.after);
        EXPECT_EQ(element.whole.data(), bytes.data());
        EXPECT_EQ(element.whole.size(), c.after);
        EXPECT_EQ(element.content.data() + element.content.size(),
                  element.whole.data() + element.whole.size());
    }
}

TEST(DerReader, ExpectedTagsLeaveTheCursorWhenRefused) {
    const auto bytes = Hex("02 01 05 30 03 01 01 FF 04 05 AA");
    DerReader reader(bytes);
    DerBytes content;
    bool present = true;

    EXPECT_FALSE(reader.ReadContent(kTagSequence, &content));  // an INTEGER comes first
    EXPECT_EQ(reader.offset(), 0u);
    ASSERT_TRUE(reader.ReadOptionalContent(0xA0, &content, &present));
    EXPECT_FALSE(present);
    EXPECT_EQ(reader.offset(), 0u);
    ASSERT_TRUE(reader.ReadContent(kTagInteger, &content));
    EXPECT_EQ(ToHex(content), "05");

    DerBytes whole;
    ASSERT_TRUE(reader.ReadElement(kTagSequence, &whole));
    EXPECT_EQ(ToHex(whole), "30 03 01 01 FF");
    uint8_t tag = 0;
    ASSERT_TRUE(reader.PeekTag(&tag));
    EXPECT_EQ(tag, kTagOctetString);

    // The right tag, but the element runs past the bytes: refused, and for an
    // optional element too.
    EXPECT_FALSE(reader.ReadContent(kTagOctetString, &content));
    EXPECT_FALSE(reader.ReadOptionalContent(kTagOctetString, &content, &present));
    EXPECT_EQ(reader.remaining(), 3u);

    // At the end an optional element is simply absent; a required one is not there.
    ASSERT_TRUE(reader.Skip(3));
    EXPECT_TRUE(reader.ReadOptionalContent(kTagOctetString, &content, &present));
    EXPECT_FALSE(present);
    EXPECT_FALSE(reader.ReadContent(kTagOctetString, &content));
    EXPECT_FALSE(reader.PeekTag(&tag));
}

TEST(DerReader, ByteReadsStopAtTheEnd) {
    const auto bytes = Hex("01 02 03");
    DerReader reader(bytes);
    uint8_t byte = 0;
    DerBytes span;
    EXPECT_FALSE(reader.Peek(3, &byte));
    EXPECT_FALSE(reader.Peek(SIZE_MAX, &byte));
    EXPECT_FALSE(reader.ReadBytes(4, &span));
    EXPECT_FALSE(reader.ReadBytes(SIZE_MAX, &span));
    EXPECT_FALSE(reader.Skip(SIZE_MAX));
    EXPECT_EQ(reader.offset(), 0u);
    ASSERT_TRUE(reader.Peek(2, &byte));
    EXPECT_EQ(byte, 3);
    ASSERT_TRUE(reader.ReadBytes(2, &span));
    EXPECT_EQ(ToHex(span), "01 02");
    // Reads ahead are counted from the cursor, not from the start.
    EXPECT_FALSE(reader.Peek(1, &byte));
    ASSERT_TRUE(reader.ReadByte(&byte));
    EXPECT_EQ(byte, 3);
    EXPECT_FALSE(reader.ReadByte(&byte));
    EXPECT_TRUE(reader.ReadBytes(0, &span));
    EXPECT_TRUE(span.empty());
}

struct VisitCase {
    const char* title;
    const char* bytes;
    uint8_t tag;
    bool ok;
    std::vector<std::string> visited;  // "tag:content" of each element seen
    size_t stopAfter = SIZE_MAX;       // the visitor says stop after this many
};

TEST(DerForEachElement, VisitsEachElementOfASequenceOrSet) {
    const VisitCase cases[] = {
        {"sequence", "30 06 02 01 01 04 01 AA", kTagSequence, true, {"02:01", "04:AA"}},
        {"set", "31 04 05 00 05 00", kTagSet, true, {"05:", "05:"}},
        {"empty sequence", "30 00", kTagSequence, true, {}},
        {"bytes behind the element are not its own",
         "30 03 02 01 07 FF FF",
         kTagSequence,
         true,
         {"02:07"}},
        {"other tag: nothing visited", "31 03 02 01 07", kTagSequence, false, {}},
        {"outer element cut short", "30 06 02 01 01", kTagSequence, false, {}},
        {"inner element runs past its sequence",
         "30 05 02 01 01 04 05 AA AA AA AA",
         kTagSequence,
         false,
         {"02:01"}},
        {"a stray byte at the end of the content",
         "30 04 02 01 01 04",
         kTagSequence,
         false,
         {"02:01"}},
        {"the visitor stops the walk", "30 06 05 00 05 00 05 00", kTagSequence, false, {"05:"}, 1},
    };
    for (const VisitCase& c : cases) {
        SCOPED_TRACE(c.title);
        std::vector<std::string> visited;
        const bool ok = DerForEachElement(Hex(c.bytes), c.tag, [&](const DerElement& element) {
            visited.push_back(testing::HexCompact(std::vector<uint8_t>{element.tag}) + ":" +
                              testing::HexCompact(element.content));
            return visited.size() < c.stopAfter;
        });
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(visited, c.visited);
    }
}

}  // namespace
}  // namespace orx
