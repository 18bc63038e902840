// What the token content commands make before a dialog or the plug-in sees it: the
// soft token's name, file names and filters, the answers they read, the data box
// they store and the text they copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "admin/clipboard_text.h"
#include "admin/command_texts.h"
#include "admin/data_box.h"
#include "core/base64.h"

namespace orx {
namespace {

TEST(CommandTexts, TokenNamesLoseQuotesParenthesesAndOuterBlanks) {
    const struct {
        const char* typed;
        const char* name;
    } cases[] = {
        {"Alice", "Alice"},
        {"  Alice Example  ", "Alice Example"},
        {"Alice (work)", "Alice  work"},
        {"\"Quoted\"", "Quoted"},
        {"O'Brien", "O Brien"},
        {"()\"'", ""},
        {"   ", ""},
        {"", ""},
        {"\tTab\t", "\tTab\t"},  // only blanks go
        {"Büro (neu)", "Büro  neu"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SanitizeTokenName(c.typed), c.name) << c.typed;
}

TEST(CommandTexts, FileNamesAndFilters) {
    const struct {
        const char* path;
        const char* proposed;
        bool tokenFile;
    } files[] = {
        {"/home/jane/alice.tkn", "alice", true},
        {"/home/jane/Alice Work.backup.TKN", "Alice Work", true},
        {"/home/jane/alice.p12", "alice", false},
        {"/home/jane.d/noext", "noext", false},
        {"relative.pfx", "relative", false},
        {"/home/jane/.tkn", "", true},
        {"/home/jane/tkn", "tkn", false},
    };
    for (const auto& f : files) {
        EXPECT_EQ(ProposedTokenName(f.path), f.proposed) << f.path;
        EXPECT_EQ(IsTokenFileName(f.path), f.tokenFile) << f.path;
    }
    EXPECT_EQ(SaveFilter("Certificate (*.cer;*.crt;*.p7s;*.p12;*.pfx)"),
              "Certificate (*.cer;*.crt)");
    EXPECT_EQ(SaveFilter("Soft Token (*.tkn;*.p12;*.pfx)"), "Soft Token (*.tkn)");
    EXPECT_EQ(SaveFilter("Zertifikat (*.cer)"), "Zertifikat (*.cer)");
}

TEST(CommandTexts, TheSoftTokensFileIsFieldFiveOfItsInfo) {
    const std::string path = "/home/jane/.local/share/orx/tokens/Alice.tkn";
    EXPECT_EQ(SoftTokenFile("100;Alice;0A1B 2C3D;Valdoran;Soft Token;" + path + ";scrypt;6-64"),
              path);
    EXPECT_EQ(SoftTokenFile("100;Alice;0A1B;Valdoran;Soft Token;" + path), path);
    EXPECT_EQ(SoftTokenFile("100;Alice;0A1B;Valdoran;Soft Token;"), "");
    EXPECT_FALSE(SoftTokenFile("100;Alice;0A1B;Valdoran;Soft Token"));
    EXPECT_FALSE(SoftTokenFile(""));
}

TEST(CommandTexts, CertificatesAreFoundByTheirBase64) {
    const std::vector<uint8_t> first{0x30, 0x03, 0x02, 0x01, 0x01};
    const std::vector<uint8_t> second{0x30, 0x03, 0x02, 0x01, 0x02};
    const std::vector<std::string> entries = {
        "1;Card;00;A;2.5.4.3=CA;01;d;d;;0;" + Base64Encode(first),
        "100;Soft;00;B;2.5.4.3=CA;02;d;d;;1;" + Base64Encode(second),
    };
    EXPECT_EQ(FindCertificateEntry(entries, first), 0u);
    EXPECT_EQ(FindCertificateEntry(entries, second), 1u);
    EXPECT_FALSE(FindCertificateEntry(entries, std::vector<uint8_t>{0x30, 0x00}));
    EXPECT_FALSE(FindCertificateEntry(entries, {}));
    EXPECT_EQ(CertificateBase64(entries[1]), Base64Encode(second));
    EXPECT_EQ(CertificateBase64("MIIB"), "MIIB");
}

TEST(DataBox, StoredInBlocksOf64AndReadBack) {
    const struct {
        const char* name;
        std::vector<DataBoxEntry> entries;
        size_t stored;
        size_t kept;  // entries read back
    } cases[] = {
        {"none", {}, 64, 0},
        // 1 + 2 x 3 separators + 20 bytes of text = 27 bytes.
        {"two ASCII entries of 20 bytes", {{"Phone", "12345"}, {"Room", "B 12-3"}}, 64, 2},
        // 1 + 3 + 60 = 64: exactly one block.
        {"exactly one block", {{std::string(30, 'd'), std::string(30, 'v')}}, 64, 1},
        {"one byte over", {{std::string(31, 'd'), std::string(30, 'v')}}, 128, 1},
        {"UTF-8", {{"Büro", "Straße 5"}}, 64, 1},
        {"an empty value is kept", {{"Key", ""}}, 64, 1},
        {"an empty description is left out", {{"", "lost"}, {"Kept", "v"}}, 64, 1},
        {"broken UTF-8 is left out", {{"Bad \xC3", "v"}, {"Good", "\xE2\x82\xAC"}}, 64, 1},
        {"an overlong form is left out", {{"Slash \xC0\xAF", "v"}}, 64, 0},
        {"a surrogate is left out", {{"S", "\xED\xA0\x80"}}, 64, 0},
        {"a NUL inside is left out", {{std::string("A\0B", 3), "v"}}, 64, 0},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> blob = BuildDataBox(c.entries);
        EXPECT_EQ(blob.size(), c.stored) << c.name;
        ASSERT_FALSE(blob.empty()) << c.name;
        EXPECT_EQ(blob[0], 0x00) << c.name;
        const std::vector<DataBoxEntry> read = ParseDataBox(blob);
        ASSERT_EQ(read.size(), c.kept) << c.name;
        // What was kept comes back in order: the entries that were not left out.
        size_t at = 0;
        for (const DataBoxEntry& entry : c.entries) {
            if (at < read.size() && entry.description == read[at].description) {
                EXPECT_EQ(read[at].value, entry.value) << c.name;
                ++at;
            }
        }
        EXPECT_EQ(at, c.kept) << c.name;
    }
    // Twenty bytes of text: the stored bytes themselves.
    const std::vector<DataBoxEntry> twenty{{"Phone", "12345"}, {"Room", "B 12-3"}};
    const std::vector<uint8_t> blob = BuildDataBox(twenty);
    const std::string used(
        "\0\0Phone\0"
        "12345\0\0Room\0B 12-3\0",
        27);
    EXPECT_EQ(std::string(blob.begin(), blob.begin() + 27), used);
    EXPECT_EQ(std::count(blob.begin() + 27, blob.end(), 0), 64 - 27);
}

TEST(ClipboardText, HeaderRowsAndCertificatesInPemArmour) {
    ClipboardContent content;
    content.headerLine1 = "Alice Example";
    content.headerLine2 = "0A1B 2C3D 4E5F 6071";
    const std::string base64 = std::string(64, 'A') + std::string(64, 'B') + "CCCC==";
    content.rows.push_back({{"Alice", "Example CA", "2027-01-31"}, base64});
    content.rows.push_back({{"Bob", "", ""}, std::string(64, 'D')});
    content.rows.push_back({{"Phone", "+46 8 123"}, std::nullopt});
    EXPECT_EQ(ClipboardText(content),
              "Alice Example\r\n0A1B 2C3D 4E5F 6071\r\n\r\n"
              "Alice\tExample CA\t2027-01-31\t\r\n-----BEGIN CERTIFICATE-----\r\n" +
                  std::string(64, 'A') + "\r\n" + std::string(64, 'B') +
                  "\r\nCCCC==\r\n-----END CERTIFICATE-----\r\n\r\n"
                  "Bob\t\t\t\r\n-----BEGIN CERTIFICATE-----\r\n" +
                  std::string(64, 'D') +
                  "\r\n-----END CERTIFICATE-----\r\n\r\n"
                  "Phone\t+46 8 123\t\r\n");
}

TEST(ClipboardText, EmptyHeaderLinesAndTheComponentsValues) {
    const struct {
        const char* name;
        ClipboardContent content;
        std::string text;
    } cases[] = {
        {"nothing shown", {}, "\r\n"},
        {"second line only", {"", "Second", {}, std::nullopt}, "Second\r\n\r\n"},
        {"components",
         {"Orvex",
          "4.2.0.0",
          {{{"orx.so", "4.2.0.0", "Module", "OpenSSL"}, std::nullopt}},
          std::vector<std::string>{"Module 1", "Module 2"}},
         // The row's own line end, then the one before the values.
         "Orvex\r\n4.2.0.0\r\n\r\norx.so\t4.2.0.0\tModule\tOpenSSL\t\r\n"
         "\r\nModule 1\r\nModule 2\r\n"},
        {"components without values",
         {"Orvex", "", {}, std::vector<std::string>{}},
         "Orvex\r\n\r\n\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClipboardText(c.content), c.text) << c.name;
}

}  // namespace
}  // namespace orx
