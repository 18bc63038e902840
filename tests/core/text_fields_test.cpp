#include "core/text_fields.h"

#include <gtest/gtest.h>

#include "core/string_helpers.h"

namespace orx {
namespace {

struct FieldCase {
    const char* text;
    char separator;
    int index;
    size_t capacity;
    const char* expected;
};

TEST(GetField, TableOfCases) {
    const FieldCase cases[] = {
        {"one;two;;four", ';', 0, 256, "one"},
        {"one;two;;four", ';', 1, 256, "two"},
        {"one;two;;four", ';', 2, 256, ""},
        {"one;two;;four", ';', 3, 256, "four"},
        {"one;two;;four", ';', 7, 256, ""},
        {"one;two;;four", ';', -1, 256, "one"},
        {"a|b|c", '|', 2, 256, "c"},
        {"a|b|c", ';', 1, 256, ""},
        {"trailing;", ';', 1, 256, ""},
        {";lead", ';', 0, 256, ""},
        {";lead", ';', 1, 256, "lead"},
        {"", ';', 0, 256, ""},
        {"abcdef;x", ';', 0, 4, "abc"},
        {"abcdef;x", ';', 0, 1, ""},
        {"abcdef;x", ';', 0, 0, ""},
        {"abc;x", ';', 0, 4, "abc"},
        // A cut never splits a UTF-8 sequence: "\xC3\xA5" is one character.
        {"a\xC3\xA5z", ';', 0, 3, "a"},
        {"a\xC3\xA5z", ';', 0, 4, "a\xC3\xA5"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetField(c.text, c.separator, c.index, c.capacity), c.expected)
            << "text '" << c.text << "' index " << c.index << " capacity " << c.capacity;
    }
}

TEST(RemoveChars, DeletesEveryMemberOfTheSet) {
    std::string text = "a-b c-d\r\n";
    RemoveChars(text, "-\r\n");
    EXPECT_EQ(text, "ab cd");
}

struct AttributeCase {
    const char* name;
    const char* oid;
    size_t capacity;
    bool found;
    const char* expected;
};

TEST(GetNameAttribute, TableOfCases) {
    const char* subject = "2.5.4.6=DE, 2.5.4.10=Example Org, 2.5.4.3=Jane Doe + 2.5.4.5=1234";
    const AttributeCase cases[] = {
        {subject, "2.5.4.6", 256, true, "DE"},
        {subject, "2.5.4.10", 256, true, "Example Org"},
        {subject, "2.5.4.3", 256, true, "Jane Doe"},  // the blank before "+" dropped
        {subject, "2.5.4.5", 256, true, "1234"},
        {subject, "2.5.4.7", 256, false, ""},
        {subject, "2.5.4.10", 8, true, "Example"},
        {subject, "2.5.4.10", 1, true, ""},
        // Two common names come out in their order.
        {"2.5.4.3=First, 2.5.4.10=O, 2.5.4.3=Second", "2.5.4.3", 256, true, "First, Second"},
        {"2.5.4.3=A+2.5.4.3=B+2.5.4.3=C", "2.5.4.3", 256, true, "A, B, C"},
        // The further value only gets the room that is left behind ", ".
        {"2.5.4.3=First, 2.5.4.3=Second", "2.5.4.3", 11, true, "First, Sec"},
        {"2.5.4.3=First, 2.5.4.3=Second", "2.5.4.3", 7, true, "First"},
        // A quoted value keeps its quotes and its commas.
        {"2.5.4.3=\"Doe, Jane\", 2.5.4.6=DE", "2.5.4.3", 256, true, "\"Doe, Jane\""},
        {"2.5.4.3=\"unclosed, 2.5.4.6=DE", "2.5.4.3", 256, true, "\"unclosed, 2.5.4.6=DE"},
        // A type that merely begins with the one asked for is not taken.
        {"2.5.4.35=secret, 2.5.4.3=Jane", "2.5.4.3", 256, true, "Jane"},
        {"2.5.4.35=secret", "2.5.4.3", 256, false, ""},
        // Nor one that ends with it.
        {"1.2.5.4.3=x, 2.5.4.3=Jane", "2.5.4.3", 256, true, "Jane"},
        {"2.5.4.3", "2.5.4.3", 256, false, ""},
        {"2.5.4.3=", "2.5.4.3", 256, true, ""},
        {"", "2.5.4.3", 256, false, ""},
    };
    for (const auto& c : cases) {
        std::string out = "stale";
        EXPECT_EQ(GetNameAttribute(c.name, c.oid, out, c.capacity), c.found)
            << c.name << " / " << c.oid;
        EXPECT_EQ(out, c.expected) << c.name << " / " << c.oid << " capacity " << c.capacity;
    }
}

struct DisplayCase {
    const char* name;
    size_t capacity;
    const char* expected;
};

TEST(GetDisplayName, TableOfCases) {
    const DisplayCase cases[] = {
        {"2.5.4.6=DE, 2.5.4.10=Org, 2.5.4.3=Jane Doe, 2.5.4.5=1234", 256, "Jane Doe, 1234, Org"},
        {"2.5.4.41=Display, 2.5.4.3=Jane Doe", 256, "Display"},
        {"2.5.4.11=Unit, 2.5.4.10=Org", 256, "Unit, Org"},
        {"2.5.4.3=A, 2.5.4.3=B, 2.5.4.10=Org", 256, "A, B, Org"},
        {"2.5.4.6=DE", 256, ""},
        {"", 256, ""},
        // Each lookup leaves room for the ", " that follows it.
        {"2.5.4.3=Jane Doe, 2.5.4.10=Org", 9, "Jane D"},
        {"2.5.4.3=Jane Doe, 2.5.4.10=Org", 2, ""},
    };
    for (const auto& c : cases) {
        std::string out;
        EXPECT_EQ(GetDisplayName(c.name, out, c.capacity), *c.expected != '\0') << c.name;
        EXPECT_EQ(out, c.expected) << c.name;
    }
}

struct CompareCase {
    const char* a;
    const char* b;
    int exact;   // sign of StrCompare
    int folded;  // sign of StrCompareNoCase
};

int Sign(int v) {
    return (v > 0) - (v < 0);
}

TEST(StrCompare, OrderAndFolding) {
    const CompareCase cases[] = {
        {"abc", "abc", 0, 0},
        {"abc", "abd", -1, -1},
        {"abc", "ab", 1, 1},
        {"", "a", -1, -1},
        {"", "", 0, 0},
        {"ABC", "abc", -1, 0},
        {"Zeta", "zeta", -1, 0},
        {"[", "a", -1, -1},  // "[" is above "Z" and below "a": unfolded it stays below "a"
        {"@", "`", -1, -1},
        // Only A to Z fold: letters outside stay distinct.
        {"\xC3\x84", "\xC3\xA4", -1, -1},
        {"\xC4", "\xE4", -1, -1},
        // Bytes compare as unsigned.
        {"\x80", "a", 1, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Sign(StrCompare(c.a, c.b)), c.exact) << c.a << " vs " << c.b;
        EXPECT_EQ(Sign(StrCompare(c.b, c.a)), -c.exact) << c.b << " vs " << c.a;
        EXPECT_EQ(Sign(StrCompareNoCase(c.a, c.b)), c.folded) << c.a << " vs " << c.b;
        EXPECT_EQ(EqualsNoCase(c.a, c.b), c.folded == 0) << c.a << " vs " << c.b;
    }
}

TEST(StrCompare, EndsAndPartsWithFolding) {
    struct Case {
        const char* text;
        const char* part;
        bool starts;
        bool ends;
        bool contains;
    } cases[] = {
        {"ReLoad", "reload", true, true, true},
        {"Reload", "Reloads", false, false, false},
        {"a;TEXT/X-TEXT-TO-SIGN;b", "text/x-text-to-sign", false, false, true},
        {"text/x-text-to-sig", "text/x-text-to-sign", false, false, false},
        {"MyToken.TKN", ".tkn", false, true, true},
        {"MIME-Version: 1.0", "mime-version:", true, false, true},
        {"anything", "", true, true, true},
        {"", "", true, true, true},
        {"\xC3\x84x", "\xC3\xA4", false, false, false},  // Ä and ä stay different
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StartsWithNoCase(c.text, c.part), c.starts) << c.text << " / " << c.part;
        EXPECT_EQ(EndsWithNoCase(c.text, c.part), c.ends) << c.text << " / " << c.part;
        EXPECT_EQ(ContainsNoCase(c.text, c.part), c.contains) << c.text << " / " << c.part;
    }
}

TEST(Trim, BlanksOrTheCharactersNamed) {
    struct Case {
        std::string_view text;
        std::string_view blanks;
        std::string_view start;
        std::string_view end;
        std::string_view both;
    } cases[] = {
        {"  a b  ", " ", "a b  ", "  a b", "a b"},
        {"\t a \n", " ", "\t a \n", "\t a \n", "\t a \n"},  // only blanks unless named
        {"\t a \n", " \t\n", "a \n", "\t a", "a"},
        {"    ", " ", "", "", ""},
        {"", " ", "", "", ""},
        {"x", " ", "x", "x", "x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TrimStart(c.text, c.blanks), c.start) << c.text;
        EXPECT_EQ(TrimEnd(c.text, c.blanks), c.end) << c.text;
        EXPECT_EQ(Trim(c.text, c.blanks), c.both) << c.text;
    }
    // The default blanks are the blank alone, and what is left is a view of the text.
    const std::string_view text = " v ";
    EXPECT_EQ(Trim(text).data(), text.data() + 1);
}

TEST(StrCompare, LimitedLength) {
    EXPECT_EQ(StrCompareN("abcX", "abcY", 3), 0);
    EXPECT_LT(StrCompareN("abcX", "abcY", 4), 0);
    EXPECT_LT(StrCompareN("ab", "abc", 3), 0);
    EXPECT_EQ(StrCompareNoCaseN("-ADMIN x", "-admin", 6), 0);
    EXPECT_NE(StrCompareNoCaseN("-ADMI", "-admin", 6), 0);
    EXPECT_EQ(StrCompareNoCaseN("anything", "other", 0), 0);
}

TEST(StrFind, Positions) {
    EXPECT_EQ(StrFindChar("a;b;c", ';'), 1u);
    EXPECT_EQ(StrFindLastChar("a;b;c", ';'), 3u);
    EXPECT_EQ(StrFindLastChar("", ';'), kNotFound);
    EXPECT_EQ(StrFind("abc", "abcd"), kNotFound);
    EXPECT_EQ(StrFind("abc", ""), 0u);
    EXPECT_EQ(StrFind("abc", "C"), kNotFound);
    EXPECT_EQ(StrFindNoCase("xxABab", "ab"), 2u);
    EXPECT_EQ(StrFindNoCase("\xC3\x84", "\xC3\xA4"), kNotFound);
    EXPECT_EQ(StrFindNoCase("ab", "abc"), kNotFound);
}

TEST(StrCopy, StopsAtTheLimitOrANul) {
    std::string out = "old";
    StrCopyN(out, "abcdef", 3);
    EXPECT_EQ(out, "abc");
    StrCopyN(out, std::string_view("ab\0cd", 5), 5);
    EXPECT_EQ(out, "ab");
    EXPECT_EQ(StrLength(nullptr), 0u);
}

TEST(StringList, NextGoesByIdentity) {
    StringList list;
    EXPECT_EQ(list.Next(nullptr), nullptr);
    list.Add("one");
    list.Add("two");
    const std::string* first = list.Next(nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(*list.Next(first), "two");
    EXPECT_EQ(list.Next(list.Next(first)), nullptr);
    const std::string outsider = "one";
    EXPECT_EQ(list.Next(&outsider), nullptr);
}

}  // namespace
}  // namespace orx
