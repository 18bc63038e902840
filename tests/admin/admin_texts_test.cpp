// The slot list's captions and the token view's texts and rows, from plug-in
// answers as the module gives them, and the data box blob.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "admin/data_box.h"
#include "admin/slot_labels.h"
#include "admin/view_texts.h"

namespace orx {
namespace {

TEST(SlotLabels, CardReaderNamesWrapFromSixteenCharacters) {
    const struct {
        const char* entry;
        const char* label;
    } cases[] = {
        {"1;Virtual Reader1;", "Virtual Reader1"},         // 15 characters: one line
        {"4;Virtual Reader 1;Card", "Virtual\nReader 1"},  // 16: the first blank breaks
        {"7;Card reader with long name;", "Card\nreader with long name"},
        {"10;ReaderWithoutAnyBlank00;", "ReaderWithoutAnyBlank00"},  // nowhere to break
        {"13;Lecteur carte à puce;", "Lecteur\ncarte à puce"},
        {"16;Lecteur à puce;", "Lecteur à puce"},  // 14 characters in 15 bytes
        {"19", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CardSlotLabel(c.entry), c.label) << c.entry;
}

TEST(SlotLabels, SoftTokensShowTheirFileOrElseTheirName) {
    EXPECT_EQ(SoftSlotLabel("100;My token;my-token"), "my-token");
    EXPECT_EQ(SoftSlotLabel("101;A rather long token name;"), "A rather long token name");
    EXPECT_EQ(SoftSlotLabel("102;Name"), "Name");
    // Field 1 keeps at most 255 bytes.
    EXPECT_EQ(SoftSlotLabel("103;" + std::string(300, 'x')).size(), 255u);
}

TEST(SlotLabels, ComponentsEntry) {
    EXPECT_EQ(ComponentsLabel("Orvex", "Components"), "Orvex\nComponents");
    // Longer than 20 characters: what follows the first blank.
    EXPECT_EQ(ComponentsLabel("Valdoran Orvex Middleware", "Komponenten"),
              "Orvex Middleware\nKomponenten");
    EXPECT_EQ(ComponentsLabel("Orvex Security Suite", "C"), "Orvex Security Suite\nC");  // 20
    EXPECT_EQ(ComponentsLabel("OrvexMiddlewareWithoutBlank", "C"),
              "OrvexMiddlewareWithoutBlank\nC");
}

TEST(ViewTexts, FormatVersion) {
    const struct {
        const char* text;
        const char* shown;
    } cases[] = {
        {"05060262", "5.6.2.62"},
        {"10001020", "10.0.10.20"},
        {"00000000", "0.0.0.0"},
        {"04020000 Orvex token plug-in module", "4.2.0.0 Orvex token plug-in module"},
        {"04020000    note", "4.2.0.0 note"},
        {"04020000 ", "4.2.0.0"},
        {"0402", "0402"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatVersion(c.text), c.shown) << c.text;
}

TEST(ViewTexts, ComponentRows) {
    const struct {
        const char* entry;
        ComponentRow row;
    } cases[] = {
        {"/usr/lib/Orvex/orx.so;05060262 (OpenSSL 3.0.11);Token plug-in module",
         {"orx.so", "5.6.2.62", "Token plug-in module", "OpenSSL 3.0.11"}},
        {"C:\\Program Files\\Orvex\\orxxadm.exe;04020000;Administration",
         {"orxxadm.exe", "4.2.0.0", "Administration", ""}},
        // A "(" without ")" after it is no note.
        {"orx;04020000 (beta;Client", {"orx", "4.2.0.0 (beta", "Client", ""}},
        {"orx;04020000 ) (x);", {"orx", "4.2.0.0 )", "", "x"}},
        {"orxxctl", {"orxxctl", "", "", ""}},
    };
    for (const auto& c : cases) {
        const ComponentRow row = ParseComponent(c.entry);
        EXPECT_EQ(row.fileName, c.row.fileName) << c.entry;
        EXPECT_EQ(row.version, c.row.version) << c.entry;
        EXPECT_EQ(row.information, c.row.information) << c.entry;
        EXPECT_EQ(row.special, c.row.special) << c.entry;
    }
}

TEST(ViewTexts, HeaderLineDropsACardsNoteOnly) {
    const struct {
        const char* info;
        int32_t slot;
        const char* line;
    } cases[] = {
        {"4;Company Card (Signature);0A1B", 4, "Company Card"},
        {"4;Card(Signature);0A1B", 4, "Card(Signature)"},  // no blank before the "("
        {"4;Card (a) (b)", 4, "Card (a)"},                 // the last "(" counts
        {"4;(Signature)", 4, "(Signature)"},
        {"100;Soft token (backup);0A1B", 100, "Soft token (backup)"},
        {"99;Card (x)", 99, "Card"},
        {"5", 5, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TokenHeaderLine(c.info, c.slot), c.line) << c.info;
}

TEST(ViewTexts, CertificatesOfTheSlotGroup) {
    const struct {
        int32_t owner;
        int32_t shown;
        bool belongs;
    } cases[] = {
        {4, 4, true},      {5, 4, true},      {6, 4, true},      {7, 4, false}, {3, 4, false},
        {4, 7, false},     {6, 7, false},     {7, 7, true},      {9, 7, true},  {100, 100, true},
        {101, 100, false}, {100, 101, false}, {102, 100, false},
    };
    for (const auto& c : cases) {
        const std::string entry = std::to_string(c.owner) + ";Label;id;Subject;2.5.4.3=CA";
        EXPECT_EQ(CertificateBelongsTo(entry, c.shown), c.belongs)
            << c.owner << " shown " << c.shown;
    }
}

TEST(ViewTexts, CertificateRows) {
    const std::string entry =
        "100;Token;0011;Jane Doe;2.5.4.6=SE, 2.5.4.10=Example AB, 2.5.4.3=Example CA;"
        "0A;2025-01-01;2027-01-31;160;0;MIIB";
    const CertificateRow row = ParseCertificateRow(entry);
    EXPECT_EQ(row.subject, "Jane Doe");
    EXPECT_EQ(row.issuer, "Example CA, Example AB");
    EXPECT_EQ(row.expiration, "2027-01-31");
    EXPECT_FALSE(row.privateKey);
    // Field 9 tells whether the token holds the private key; only "1" says yes.
    for (const auto& [field, key] :
         {std::pair{"1", true}, {"0", false}, {"", false}, {"true", false}, {"11", false}}) {
        EXPECT_EQ(
            ParseCertificateRow("1;T;0;S;2.5.4.3=CA;0;a;b;128;" + std::string(field) + ";MIIB")
                .privateKey,
            key)
            << field;
    }

    // The name attribute wins; an issuer without a display name shows no date.
    EXPECT_EQ(ParseCertificateRow("1;T;0;S;2.5.4.41=Named, 2.5.4.3=CN;0;a;b").issuer, "Named");
    const CertificateRow bare = ParseCertificateRow("1;T;0;S;2.5.4.6=SE;0;a;2027-01-31");
    EXPECT_EQ(bare.issuer, "");
    EXPECT_EQ(bare.expiration, "");
    // The date keeps at most 31 characters.
    EXPECT_EQ(ParseCertificateRow("1;T;0;S;2.5.4.3=CA;0;a;" + std::string(40, '9')).expiration,
              std::string(31, '9'));
}

std::vector<uint8_t> Blob(std::string_view bytes) {
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// One record as the blob holds it: 0x00, description, 0x00, value, 0x00.
std::string Record(std::string_view description, std::string_view value) {
    std::string record(1, '\0');
    record.append(description).push_back('\0');
    record.append(value).push_back('\0');
    return record;
}

const std::string kStart(1, '\0');

TEST(DataBox, Records) {
    using Entries = std::vector<std::pair<std::string, std::string>>;
    const struct {
        const char* name;
        std::string blob;
        Entries entries;
    } cases[] = {
        {"two entries, padded to 64 bytes",
         kStart + Record("Phone", "+46 8 123") + Record("Room", "B 12") + std::string(35, '\0'),
         {{"Phone", "+46 8 123"}, {"Room", "B 12"}}},
        {"UTF-8 texts", kStart + Record("Büro", "Straße"), {{"Büro", "Straße"}}},
        {"an empty value", kStart + Record("Key", ""), {{"Key", ""}}},
        {"the first byte is not 0x00", "\x01" + Record("Phone", "123"), {}},
        {"empty", std::string(), {}},
        {"only padding", std::string(64, '\0'), {}},
        {"an empty description ends the list", kStart + Record("", "x") + Record("A", "B"), {}},
        {"a value without its end", kStart + std::string("\0Key\0Value", 10), {}},
        {"a second record cut short",
         kStart + Record("A", "B") + std::string("\0C\0D", 4),
         {{"A", "B"}}},
        {"too short for a record", kStart + std::string("\0A", 2), {}},
    };
    for (const auto& c : cases) {
        Entries got;
        for (const DataBoxEntry& e : ParseDataBox(Blob(c.blob)))
            got.emplace_back(e.description, e.value);
        EXPECT_EQ(got, c.entries) << c.name;
    }
}

}  // namespace
}  // namespace orx
