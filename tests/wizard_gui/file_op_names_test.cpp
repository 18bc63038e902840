// Output names, the algorithm preselection and Base64 inputs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/config_file.h"
#include "fileop/file_op_names.h"
#include "fileop/file_op_wizard_ids.h"
#include "support/test_environment.h"

namespace orx {
namespace {

struct NameCase {
    int operation;
    const char* input;
    const char* signExtension;
    const char* encryptExtension;
    const char* expected;
};

TEST(FileOpNames, ProposesOutputNames) {
    const NameCase cases[] = {
        {kFileOpSign, "/d/report.txt", "p7s", "p7m", "/d/report.txt.p7s"},
        {kFileOpSign, "/d/report.txt", "sig", "p7m", "/d/report.txt.sig"},
        // The extension anywhere in the path counts as already named.
        {kFileOpSign, "/p7s/report.txt", "p7s", "p7m", "/p7s/report.txt"},
        {kFileOpEncrypt, "/d/report.txt", "p7s", "p7m", "/d/report.txt.p7m"},
        {kFileOpEncrypt, "/d/report.txt", "p7s", "enc", "/d/report.txt.enc"},
        {kFileOpVerify, "/d/report.txt.p7s", "p7s", "p7m", "/d/report.txt"},
        {kFileOpVerify, "/d/report.txt.sig", "sig", "p7m", "/d/report.txt"},
        {kFileOpVerify, "/d/report.txt.SIG", "sig", "p7m", "/d/report.txt"},
        {kFileOpDecrypt, "/d/data.P7M", "p7s", "p7m", "/d/data"},
        {kFileOpDecrypt, "/d/data.p7", "p7s", "p7m", "/d/data"},
        {kFileOpDecrypt, "/d/archive.bin", "p7s", "p7m", "/d/archive.bin"},
        // ".p7" followed by five or more characters is no extension.
        {kFileOpDecrypt, "/d/x.p7zip", "p7s", "p7m", "/d/x.p7zip"},
        {kFileOpDecrypt, "/d/data.enc", "p7s", "enc", "/d/data"},
        {kFileOpDecrypt, "a.p", "p7s", "p7m", "a.p"},
        {kFileOpDecrypt, "", "p7s", "p7m", ""},
    };
    for (const NameCase& c : cases) {
        FileOpSettings settings;
        settings.signExtension = c.signExtension;
        settings.encryptExtension = c.encryptExtension;
        EXPECT_EQ(ProposeOutputPath(c.operation, c.input, settings), c.expected)
            << c.operation << " " << c.input;
    }
}

TEST(FileOpNames, LongPathsStayWithinTheBuffer) {
    const std::string longPath = "/" + std::string(300, 'a');
    FileOpSettings settings;
    EXPECT_EQ(ProposeOutputPath(kFileOpSign, longPath, settings).size(), kFileOpPathCapacity - 1);
}

TEST(FileOpNames, ReplacesOnlyTheFileName) {
    EXPECT_EQ(ReplaceFileName("/home/u/data.p7m", "report.txt"), "/home/u/report.txt");
    EXPECT_EQ(ReplaceFileName("data.p7m", "/elsewhere/report.txt"), "report.txt");
    EXPECT_EQ(FileNamePart("/a/b/c.txt"), "c.txt");
    EXPECT_EQ(FileNamePart("c.txt"), "c.txt");
}

TEST(FileOpNames, PreselectsTheConfiguredAlgorithm) {
    EXPECT_EQ(PreselectedAlgorithm(""), 1);
    EXPECT_EQ(PreselectedAlgorithm("2.16.840.1.101.3.4.1.42"), 6);
    EXPECT_EQ(PreselectedAlgorithm("1.3.14.3.2.7"), 0);
    EXPECT_EQ(PreselectedAlgorithm("1.2.3.4"), 1);
}

TEST(FileOpNames, ReadsSettingsWithDefaults) {
    testing::IsolatedEnvironment env;
    FileOpSettings settings = ReadFileOpSettings();
    EXPECT_EQ(settings.signExtension, "p7s");
    EXPECT_EQ(settings.encryptExtension, "p7m");
    EXPECT_EQ(settings.format, 0);
    EXPECT_EQ(settings.defaultAlgorithm, "");
    ConfigWriteString("File Extensions", "Sign", "sig");
    ConfigWriteString("File Extensions", "Encrypt", "0123456789abcdefghij");
    ConfigWriteInt("Encryption", "Format", 2);
    ConfigWriteString("Encryption", "DefaultAlgorithm", "2.16.840.1.101.3.4.1.2");
    settings = ReadFileOpSettings();
    EXPECT_EQ(settings.signExtension, "sig");
    EXPECT_EQ(settings.format, 2);
    EXPECT_EQ(settings.defaultAlgorithm, "2.16.840.1.101.3.4.1.2");
    // Kept to 15 characters.
    EXPECT_EQ(settings.encryptExtension, "0123456789abcde");
}

TEST(FileOpNames, DecodesBase64InputsOnly) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"MTIz", "123"},
        // Base64 text that does not begin with 'M' is taken as binary.
        {"TUlN", "TUlN"},
        // S/MIME text goes to the module as it is, whatever the header's letter case.
        {"MIME-Version: 1.0\r\n\r\nbody", "MIME-Version: 1.0\r\n\r\nbody"},
        {"MIME-VERSION: 1.0\r\n\r\nx", "MIME-VERSION: 1.0\r\n\r\nx"},
        {"\x30\x82\x01", "\x30\x82\x01"},
    };
    for (const auto& [input, expected] : cases) {
        std::vector<uint8_t> bytes(input.begin(), input.end());
        EXPECT_TRUE(Base64DecodeInput(bytes)) << input;
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);
    }
}

}  // namespace
}  // namespace orx
