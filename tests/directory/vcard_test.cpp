// The card's exact bytes for the shapes of subject names and key lengths.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/file_helpers.h"
#include "der/der_certificate.h"
#include "der/der_result.h"
#include "directory/slapd_fixture.h"
#include "directory/vcard_writer.h"
#include "support/test_environment.h"
#include "support/write_failures.h"

namespace orx {
namespace {

std::vector<uint8_t> Bytes(size_t count) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(i * 37 + 11);
    return bytes;
}

// Base64 of Bytes(3): 0x0B 0x30 0x55.
constexpr const char* kKey3 = "CzBV";

struct CardCase {
    const char* name;
    std::string subject;
    std::string expectedFields;  // the lines between VERSION and KEY
    std::string expectedEmail;   // the EMAIL line or ""
};

TEST(VCard, NameFieldsFollowTheSubject) {
    const CardCase cases[] = {
        {"given and family name",
         "2.5.4.6=DE, 2.5.4.10=Example GmbH, 2.5.4.3=Jane Doe, "
         "1.2.840.113549.1.9.1=jane@example.org",
         "N:Doe;Jane\r\nFN:Jane Doe\r\nORG:Example GmbH\r\n",
         "EMAIL;PREF;INTERNET:jane@example.org\r\n"},
        {"one word", "2.5.4.3=Administrator", "FN:Administrator\r\n", ""},
        {"three words split at the last blank", "2.5.4.3=Anna Maria Schmidt",
         "N:Schmidt;Anna Maria\r\nFN:Anna Maria Schmidt\r\n", ""},
        {"no common name", "2.5.4.10=Example, 2.5.4.11=Signing", "ORG:Example\r\n", ""},
        {"nothing known", "2.5.4.6=DE", "", ""},
        {"quoted value keeps its quotes", "2.5.4.3=\"Doe, Jane\", 2.5.4.10=\"A + B\"",
         "N:Jane\";\"Doe,\r\nFN:\"Doe, Jane\"\r\nORG:\"A + B\"\r\n", ""},
        {"several common names joined", "2.5.4.3=Jane Doe + 2.5.4.3=J. Doe",
         "N:Doe;Jane Doe, J.\r\nFN:Jane Doe, J. Doe\r\n", ""},
        {"non-ASCII names",
         "2.5.4.3=J\xC3\xB6rg M\xC3\xBCller, 2.5.4.10=B\xC3\xA4"
         "ckerei",
         "N:M\xC3\xBCller;J\xC3\xB6rg\r\nFN:J\xC3\xB6rg M\xC3\xBCller\r\nORG:B\xC3\xA4"
         "ckerei\r\n",
         ""},
        {"e-mail only", "1.2.840.113549.1.9.1=a@b.c", "", "EMAIL;PREF;INTERNET:a@b.c\r\n"},
    };
    for (const CardCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string expected = "BEGIN:VCARD\r\nVERSION:2.1\r\n" + c.expectedFields +
                                     "KEY;X509;ENCODING=BASE64:\r\n    " + kKey3 + "\r\n\r\n\r\n" +
                                     c.expectedEmail + "END:VCARD\r\n";
        EXPECT_EQ(BuildVCard(c.subject, Bytes(3)), expected);
    }
}

TEST(VCard, FieldsAreCutTo255Characters) {
    const std::string longName = std::string(200, 'a') + " " + std::string(100, 'b');
    const std::string card = BuildVCard("2.5.4.3=" + longName, Bytes(3));
    const std::string cut = longName.substr(0, 255);
    EXPECT_NE(card.find("\r\nFN:" + cut + "\r\n"), std::string::npos);
    EXPECT_NE(card.find("\r\nN:" + std::string(54, 'b') + ";" + std::string(200, 'a') + "\r\n"),
              std::string::npos);
}

struct KeyCase {
    size_t derLength;
    std::vector<size_t> lineLengths;
};

TEST(VCard, KeyLinesHoldSixtyFourCharacters) {
    const KeyCase cases[] = {
        {1, {4}},
        {47, {64}},
        {48, {64}},
        {49, {64, 4}},
        {96, {64, 64}},
        {97, {64, 64, 4}},
        {1000, std::vector<size_t>(20, 64)},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.derLength);
        const std::string card = BuildVCard("2.5.4.3=X", Bytes(c.derLength));
        const std::string header = "KEY;X509;ENCODING=BASE64:\r\n";
        size_t at = card.find(header);
        ASSERT_NE(at, std::string::npos);
        at += header.size();
        std::vector<size_t> lengths;
        std::string joined;
        while (card.compare(at, 4, "    ") == 0) {
            const size_t end = card.find("\r\n", at);
            lengths.push_back(end - at - 4);
            joined += card.substr(at + 4, end - at - 4);
            at = end + 2;
        }
        std::vector<size_t> expected = c.lineLengths;
        if (c.derLength == 1000)
            expected.push_back(1336 - 20 * 64);
        EXPECT_EQ(lengths, expected);
        EXPECT_EQ(joined.size(), 4 * ((c.derLength + 2) / 3));
        // The key ends with two empty lines.
        EXPECT_EQ(card.substr(at), "\r\n\r\nEND:VCARD\r\n");
    }
}

class VCardFile : public ::testing::Test {
  protected:
    void SetUp() override {
        der_ = testing::MakeCertificate("/CN=Jane Doe/O=Example/emailAddress=jane@example.org");
        ASSERT_FALSE(der_.empty());
        ASSERT_EQ(certificate_.Decode(der_), DER_OK);
        ASSERT_TRUE(certificate_.NameText(kSubject).has_value());
    }
    void TearDown() override { file_testing::FailWritesAfter(-1); }

    testing::IsolatedEnvironment environment_;
    std::vector<uint8_t> der_;
    DerCertificate certificate_;
};

TEST_F(VCardFile, ReplacesAnExistingFileWithTheWholeCard) {
    const std::string path = environment_ / "jane.vcf";
    testing::WriteFile(path, std::string(5000, 'x'));
    ASSERT_TRUE(WriteVCard(path, certificate_));
    const std::string card = testing::ReadFile(path);
    EXPECT_EQ(card, BuildVCard(*certificate_.NameText(kSubject), der_));
    EXPECT_EQ(
        card.rfind("BEGIN:VCARD\r\nVERSION:2.1\r\nN:Doe;Jane\r\nFN:Jane Doe\r\nORG:Example\r\n", 0),
        0u);
    EXPECT_TRUE(
        card.ends_with("\r\n\r\n\r\nEMAIL;PREF;INTERNET:jane@example.org\r\nEND:VCARD\r\n"));
}

TEST_F(VCardFile, FailedWriteKeepsTheOldFile) {
    const std::string path = environment_ / "kept.vcf";
    testing::WriteFile(path, "old card");
    file_testing::FailWritesAfter(100);
    EXPECT_FALSE(WriteVCard(path, certificate_));
    file_testing::FailWritesAfter(-1);
    EXPECT_EQ(testing::ReadFile(path), "old card");
    // A folder that cannot be made: its parent is a regular file.
    EXPECT_FALSE(WriteVCard(path + "/card.vcf", certificate_));
}

TEST_F(VCardFile, CertificateWithoutSubjectGivesNoCard) {
    DerCertificate empty;
    const std::string path = environment_ / "none.vcf";
    EXPECT_FALSE(WriteVCard(path, empty));
    EXPECT_FALSE(testing::PathExists(path));
}

}  // namespace
}  // namespace orx
