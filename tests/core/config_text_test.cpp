#include <gtest/gtest.h>

#include <algorithm>

#include "core/config_file.h"
#include "core/config_text.h"
#include "core/config_tree.h"

namespace orx {
namespace {

using config_text::Text;

Text Make(std::string bytes) {
    Text text;
    text.bytes = std::move(bytes);
    text.capacity = config_text::CapacityFor(text.bytes.size());
    return text;
}

struct LookupCase {
    const char* name;
    const char* text;
    const char* section;
    const char* key;
    int result;
    const char* value;
    size_t capacity = 256;
};

TEST(ConfigTextTest, LineByLineLookup) {
    const LookupCase cases[] = {
        {"plain", "[S]\nk=v\n", "S", "k", kConfigOk, "v"},
        {"letter case ignored", "[Dialog]\nWIDTH=5\n", "dialog", "Width", kConfigOk, "5"},
        {"trailing blanks go, leading stay", "[S]\nk=  v w  \n", "S", "k", kConfigOk, "  v w"},
        {"tabs are no blanks", "[S]\nk=v\t\n", "S", "k", kConfigOk, "v\t"},
        {"header with a comment", "[S] ; note\nk=v\n", "S", "k", kConfigOk, "v"},
        {"line with leading blanks counts", "[S]\n   k=v\n", "S", "k", kConfigOk, "v"},
        {"first of two entries", "[S]\nk=1\nk=2\n", "S", "k", kConfigOk, "1"},
        {"first of two sections", "[S]\nk=1\n[S]\nk=2\n", "S", "k", kConfigOk, "1"},
        {"blank before = is part of the key", "[S]\nk =v\n", "S", "k", kConfigKeyMissing, ""},
        {"key is a prefix of another", "[S]\nkey2=v\n", "S", "key", kConfigKeyMissing, ""},
        {"section name is a prefix", "[Section2]\nk=v\n", "Section", "k", kConfigSectionMissing,
         ""},
        {"entries before any section", "k=v\n[S]\n", "S", "k", kConfigKeyMissing, ""},
        {"markup ends the section", "[S]\n<x>\nk=v\n", "S", "k", kConfigKeyMissing, ""},
        {"next header ends the section", "[S]\n[T]\nk=v\n", "S", "k", kConfigKeyMissing, ""},
        {"CR line ends", "[S]\rk=v\r", "S", "k", kConfigOk, "v"},
        {"CRLF line ends", "[S]\r\n\r\nk=v\r\n", "S", "k", kConfigOk, "v"},
        {"no final line end", "[S]\nk=v", "S", "k", kConfigOk, "v"},
        {"cut to capacity - 1", "[S]\nk=abcdef\n", "S", "k", kConfigOk, "abc", 4},
        {"cut keeps whole characters", "[S]\nk=a\xc3\xa9z\n", "S", "k", kConfigOk, "a", 3},
        {"empty value", "[S]\nk=\n", "S", "k", kConfigOk, ""},
        {"empty text", "", "S", "k", kConfigSectionMissing, ""},
    };
    for (const LookupCase& c : cases) {
        Text text = Make(c.text);
        std::string value = "stale";
        EXPECT_EQ(config_text::Find(text, c.section, std::string_view(c.key), &value, c.capacity),
                  c.result)
            << c.name;
        EXPECT_EQ(value, c.value) << c.name;
    }
}

TEST(ConfigTextTest, OverlongLineIsCutAndSkipped) {
    constexpr size_t kMax = config_text::kMaxLine;
    for (const size_t length : {kMax - 1, kMax, kMax + 1, kMax + 100}) {
        Text text = Make("[S]\nk=" + std::string(length - 2, 'x') + "\nn=1\n");
        std::string value;
        ASSERT_EQ(config_text::Find(text, "S", std::string_view("k"), &value, 1u << 20), kConfigOk);
        EXPECT_EQ(value, std::string(std::min(length, kMax) - 2, 'x')) << length;
        ASSERT_EQ(config_text::Find(text, "S", std::string_view("n"), &value, 256), kConfigOk);
        EXPECT_EQ(value, "1") << length;
    }
}

struct EditCase {
    const char* name;
    const char* before;
    const char* section;
    const char* key;
    const char* value;
    const char* after;
};

TEST(ConfigTextTest, SetPlacesEntries) {
    const EditCase cases[] = {
        {"replace in place", "[S]\na=1\nb=2\n", "S", "a", "9", "[S]\na=9\nb=2\n"},
        {"replace keeps leading blanks and the key's spelling of the call", "[S]\n  A=1\n", "S",
         "a", "2", "[S]\n  a=2\n"},
        {"replace a last line without line end", "[S]\na=1", "S", "a", "2", "[S]\na=2\n"},
        {"new key after the last non-empty line", "[S]\na=1\n\n\n[T]\nx=1\n", "S", "b", "2",
         "[S]\na=1\nb=2\n\n\n[T]\nx=1\n"},
        {"new key in a last section without final line end", "[S]\na=1", "S", "b", "2",
         "[S]\na=1\nb=2\n"},
        {"new key behind a header without line end", "[S]", "S", "b", "2", "[S]\nb=2\n"},
        {"new key behind trailing blanks without line end", "[S]\na=1  ", "S", "b", "2",
         "[S]\na=1  \nb=2\n"},
        {"comments belong to the section", "[S]\na=1\n; note\n[T]\n", "S", "b", "2",
         "[S]\na=1\n; note\nb=2\n[T]\n"},
        {"CRLF counts as one line end", "[S]\r\na=1\r\n[T]\r\n", "S", "b", "2",
         "[S]\r\na=1\r\nb=2\n[T]\r\n"},
        {"missing section after a final line end", "[S]\na=1\n", "T", "k", "v",
         "[S]\na=1\n\n[T]\nk=v\n"},
        {"missing section without final line end", "[S]\na=1", "T", "k", "v",
         "[S]\na=1\n[T]\nk=v\n"},
        {"missing section in an empty text", "", "T", "k", "v", "\n[T]\nk=v\n"},
        {"empty value", "[S]\na=1\n", "S", "a", "", "[S]\na=\n"},
    };
    for (const EditCase& c : cases) {
        Text text = Make(c.before);
        EXPECT_EQ(config_text::Set(text, c.section, c.key, c.value), kConfigOk) << c.name;
        EXPECT_EQ(text.bytes, c.after) << c.name;
    }
}

TEST(ConfigTextTest, SetGrowsTheCapacityInSteps) {
    Text text = Make("[S]\n" + std::string(config_text::kGrowth - 10, 'x') + "\n");
    EXPECT_EQ(text.capacity, config_text::kGrowth);
    ASSERT_EQ(config_text::Set(text, "S", "key", "value"), kConfigOk);
    EXPECT_EQ(text.capacity, 2 * config_text::kGrowth);
    ASSERT_EQ(config_text::Set(text, "S", "big", std::string(3 * config_text::kGrowth, 'v')),
              kConfigOk);
    EXPECT_EQ(text.capacity % config_text::kGrowth, 0u);
    EXPECT_GT(text.capacity, text.bytes.size());
}

TEST(ConfigTextTest, DeleteKeyRemovesItsLine) {
    const EditCase cases[] = {
        {"middle", "[S]\na=1\nb=2\nc=3\n", "S", "b", "", "[S]\na=1\nc=3\n"},
        {"last without line end", "[S]\na=1\nb=2", "S", "b", "", "[S]\na=1\n"},
        {"CRLF", "[S]\r\nb=2\r\nc=3\r\n", "S", "b", "", "[S]\r\nc=3\r\n"},
    };
    for (const EditCase& c : cases) {
        Text text = Make(c.before);
        EXPECT_EQ(config_text::DeleteKey(text, c.section, c.key), kConfigOk) << c.name;
        EXPECT_EQ(text.bytes, c.after) << c.name;
    }
    Text text = Make("[S]\na=1\n");
    EXPECT_EQ(config_text::DeleteKey(text, "S", "x"), kConfigKeyMissing);
    EXPECT_EQ(config_text::DeleteKey(text, "T", "a"), kConfigSectionMissing);
    EXPECT_EQ(text.bytes, "[S]\na=1\n");
}

TEST(ConfigTextTest, DeleteSection) {
    struct Case {
        const char* name;
        const char* before;
        const char* section;
        const char* after;
    };
    const Case cases[] = {
        {"first line", "[Gina]\na=1\n[Keep]\nb=2\n", "Gina", "\n[Keep]\nb=2\n"},
        {"middle", "[A]\nx=1\n[Gina]\na=1\n\n[B]\ny=2\n", "Gina", "[A]\nx=1\n[B]\ny=2\n"},
        {"last", "[A]\nx=1\n[Gina]\na=1\n", "Gina", "[A]\nx=1"},
        {"other letter case stays", "[gina]\na=1\n", "Gina", "[gina]\na=1\n"},
        {"header must start a line", "x=[Gina]\n[Gina]\na=1\n", "Gina", "x=[Gina]"},
        {"longer name stays", "[GinaX]\na=1\n", "Gina", "[GinaX]\na=1\n"},
        {"only the first of two", "[Gina]\na=1\n[Gina]\nb=2\n", "Gina", "\n[Gina]\nb=2\n"},
        {"indented header ends nothing", "[Gina]\na=1\n [B]\nb=2\n", "Gina", ""},
        {"missing", "[A]\nx=1\n", "Gina", "[A]\nx=1\n"},
        {"CRLF", "[A]\r\nx=1\r\n[Gina]\r\na=1\r\n[B]\r\n", "Gina", "[A]\r\nx=1\r\n[B]\r\n"},
    };
    for (const Case& c : cases) {
        Text text = Make(c.before);
        config_text::DeleteSection(text, c.section);
        EXPECT_EQ(text.bytes, c.after) << c.name;
    }
}

TEST(ConfigTextTest, EnumerationNeedsAnExactHeader) {
    struct Case {
        const char* name;
        const char* text;
        const char* section;
        std::vector<std::string> keys;
    };
    const Case cases[] = {
        {"keys in order", "[S]\na=1\nb=2\n[T]\nc=3\n", "S", {"a", "b"}},
        {"comments skipped, other lines count",
         "[S]\n;x=1\n#y=2\nplain\nb=2\n",
         "S",
         {"plain", "b"}},
        {"header with a comment does not count", "[S] ;c\na=1\n", "S", {}},
        {"trailing blank makes the header too long", "[S] \na=1\n", "S", {}},
        {"last header character is not looked at", "[S)\na=1\n", "S", {"a"}},
        {"markup header", "<S>\na=1\n<end>\nb=2\n", "s", {"a"}},
        {"empty section", "[S]\n[T]\na=1\n", "S", {}},
        {"leading blanks of a key skipped", "[S]\n  a=1\n", "S", {"a"}},
    };
    for (const Case& c : cases) {
        Text text = Make(c.text);
        std::vector<std::string> keys;
        std::string key;
        int position = 0;
        while (config_text::EnumKey(text, c.section, key, 256, position) == kConfigOk) {
            keys.push_back(key);
            ASSERT_LT(keys.size(), 10u);
        }
        EXPECT_EQ(keys, c.keys) << c.name;
        EXPECT_EQ(position, static_cast<int>(c.keys.size())) << c.name;
    }
    Text text = Make("[S]\nabcdef=1\n");
    std::string key;
    int position = 0;
    ASSERT_EQ(config_text::EnumKey(text, "S", key, 4, position), kConfigOk);
    EXPECT_EQ(key, "abc");
}

TEST(ConfigTextTest, Normalisation) {
    struct Case {
        const char* name;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"UTF-8 mark", "\xEF\xBB\xBF[S]\n", "[S]\n"},
        {"UTF-16 with mark", std::string("\xFF\xFE[\0S\0]\0\n\0\xE9\0", 12), "[S]\n\xC3\xA9"},
        {"UTF-16 without mark", std::string("[\0S\0]\0", 6), "[S]"},
        {"odd zero in UTF-8 becomes a dot after conversion", std::string("ab\0", 3),
         std::string("\xE6\x89\xA1", 3) /* one UTF-16 unit, the odd byte dropped */},
        {"plain", "k=v", "k=v"},
    };
    for (const Case& c : cases) {
        std::string text = c.in;
        config_text::Normalise(text);
        EXPECT_EQ(text, c.out) << c.name;
    }
    std::string withNul("[S]\n\0\0k=v\n", 10);
    config_text::Normalise(withNul);
    EXPECT_EQ(withNul.find('\0'), std::string::npos);
}

TEST(ConfigTreeTest, LookupDiffersFromLineByLine) {
    struct Case {
        const char* name;
        const char* text;
        const char* section;
        const char* key;
        int treeResult;
        const char* treeValue;
        int lineResult;
        const char* lineValue;
    };
    const Case cases[] = {
        {"two sections of one name: tree sees only the later", "[S]\na=1\n[s]\nb=2\n", "S", "a",
         kConfigFailed, "", kConfigOk, "1"},
        {"two sections of one name: later wins", "[S]\nb=1\n[S]\nb=2\n", "S", "b", kConfigOk, "2",
         kConfigOk, "1"},
        {"two entries: tree takes the later", "[S]\nk=1\nk=2\n", "S", "k", kConfigOk, "2",
         kConfigOk, "1"},
        {"leading blank: tree ignores the line", "[S]\n k=1\n", "S", "k", kConfigFailed, "",
         kConfigOk, "1"},
        {"markup: tree skips to > and keeps the section", "[S]\n<a\nk=1\n>rest\nk2=2\n", "S", "k2",
         kConfigOk, "2", kConfigKeyMissing, ""},
        {"markup hides entries from the tree", "[S]\n<a\nk=1\n>\n", "S", "k", kConfigFailed, "",
         kConfigKeyMissing, ""},
        {"// comment", "[S]\n//k=1\n", "S", "//k", kConfigFailed, "", kConfigOk, "1"},
        {"[] opens no section", "[S]\n[]\nk=1\n", "S", "k", kConfigOk, "1", kConfigKeyMissing, ""},
        {"header with comment", "[S] x\nk=1\n", "S", "k", kConfigOk, "1", kConfigOk, "1"},
        {"trailing blanks", "[S]\nk= v  \n", "S", "k", kConfigOk, " v", kConfigOk, " v"},
    };
    for (const Case& c : cases) {
        auto tree = ConfigTree::Build(c.text);
        std::string value = "stale";
        EXPECT_EQ(tree->Find(c.section, c.key, value, 256), c.treeResult) << c.name;
        EXPECT_EQ(value, c.treeValue) << c.name;
        Text text = Make(c.text);
        EXPECT_EQ(config_text::Find(text, c.section, std::string_view(c.key), &value, 256),
                  c.lineResult)
            << c.name;
        EXPECT_EQ(value, c.lineValue) << c.name;
    }
}

TEST(ConfigTreeTest, CutAndShape) {
    auto tree = ConfigTree::Build("k=0\n[A]\nx=1\nnoequals\n[B]\ny=2\nz=3");
    ASSERT_EQ(tree->sections().size(), 2u);
    EXPECT_EQ(tree->sections()[0].entries.size(), 1u);
    EXPECT_EQ(tree->sections()[1].entries.size(), 2u);
    std::string value;
    EXPECT_EQ(tree->Find("b", "Z", value, 256), kConfigOk);
    EXPECT_EQ(value, "3");
    EXPECT_EQ(tree->Find("A", "k", value, 256), kConfigFailed);
    auto longTree = ConfigTree::Build("[S]\nk=abcdef\n");
    EXPECT_EQ(longTree->Find("S", "k", value, 3), kConfigOk);
    EXPECT_EQ(value, "ab");
    EXPECT_TRUE(longTree->IsBuiltFrom("[S]\nk=abcdef\n"));
    EXPECT_FALSE(longTree->IsBuiltFrom("[S]\nk=abcdeF\n"));
}

}  // namespace
}  // namespace orx
