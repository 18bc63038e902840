// libs: orxcore orxder
// The walker every certificate reader stands on. Whatever the bytes: each element
// it hands out lies inside them and the elements of a walk follow each other
// without gap or overlap; a read of the expected tag gives exactly what the read
// of any element gives; a refused read leaves the cursor where it was; a visit
// over a SEQUENCE or SET sees the same elements as the walk. The extension texts
// and the subject shortcut run over every element on the way.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "der/der_certificate.h"
#include "der/der_extension_text.h"
#include "der/der_reader.h"

namespace {

constexpr int kMaxDepth = 8;

void Require(bool condition) {
    if (!condition)
        abort();
}

bool Same(orx::DerBytes a, orx::DerBytes b) {
    return a.data() == b.data() && a.size() == b.size();
}

// The elements of `content` read one by one, checked against each other reading
// call; true when the walk used up every byte.
bool Walk(orx::DerBytes content, int depth, std::vector<orx::DerElement>& elements) {
    orx::DerReader reader(content);
    while (!reader.empty()) {
        const size_t before = reader.offset();
        const orx::DerReader start = reader;
        uint8_t tag = 0;
        Require(reader.PeekTag(&tag) && tag == content[before]);
        orx::DerElement element;
        orx::DerBytes read;
        if (!reader.ReadAnyElement(&element)) {
            orx::DerReader tagged = start;
            Require(reader.offset() == before);
            Require(!tagged.ReadContent(tag, &read) && tagged.offset() == before);
            Require(!tagged.ReadElement(tag, &read) && tagged.offset() == before);
            return false;
        }
        Require(element.tag == tag);
        Require(element.whole.data() == content.data() + before);
        Require(element.whole.size() == reader.offset() - before);
        Require(element.whole.size() >= element.content.size() + 2);
        Require(element.content.data() + element.content.size() ==
                element.whole.data() + element.whole.size());

        orx::DerReader tagged = start;
        Require(tagged.ReadContent(tag, &read) && Same(read, element.content));
        Require(tagged.offset() == reader.offset());
        tagged = start;
        Require(tagged.ReadElement(tag, &read) && Same(read, element.whole));
        bool present = false;
        tagged = start;
        Require(tagged.ReadOptionalContent(tag, &read, &present) && present &&
                Same(read, element.content));
        const uint8_t other = static_cast<uint8_t>(tag ^ 0x01);
        tagged = start;
        Require(!tagged.ReadContent(other, &read) && tagged.offset() == before);
        Require(tagged.ReadOptionalContent(other, &read, &present) && !present &&
                tagged.offset() == before);

        elements.push_back(element);
        // Constructed elements hold elements of their own.
        if ((tag & 0x20) != 0 && depth < kMaxDepth) {
            std::vector<orx::DerElement> inner;
            const bool whole = Walk(element.content, depth + 1, inner);
            size_t visited = 0;
            const bool visitedAll =
                orx::DerForEachElement(element.whole, tag, [&](const orx::DerElement& e) {
                    Require(visited < inner.size() && Same(e.whole, inner[visited].whole) &&
                            Same(e.content, inner[visited].content) && e.tag == inner[visited].tag);
                    ++visited;
                    return true;
                });
            Require(visitedAll == whole);
            Require(visited == inner.size());
        }
        for (const char* oid :
             {"2.5.29.15", "2.5.29.37", "2.5.29.17", "2.5.29.19", "2.5.29.14", "2.5.29.35"}) {
            std::string text;
            orx::ExtensionValueText(oid, element.whole, text);
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const orx::DerBytes bytes(data, size);
    std::vector<orx::DerElement> elements;
    const bool whole = Walk(bytes, 0, elements);
    // The visit over the top level sees what the walk saw.
    size_t visited = 0;
    Require(orx::DerForEachIn(bytes, [&](const orx::DerElement& e) {
                Require(visited < elements.size() && Same(e.whole, elements[visited].whole));
                ++visited;
                return true;
            }) == whole);
    Require(visited == elements.size());

    std::string subject;
    orx::DerCertificateSubjectText(bytes, subject);
    return 0;
}
