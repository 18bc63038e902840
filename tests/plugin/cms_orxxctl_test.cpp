// orxxctl file: the wizard's property calls from the command line, over the real
// module in child processes that inherit the test's isolated environment.
#include <gtest/gtest.h>

#include "cms_test_support.h"
#include "core/config_file.h"
#include "module_fixture.h"

namespace orx::testing {
namespace {

class CmsOrxxctlTest : public ModuleTest, public CmsFilesSuite {
  protected:
    static void SetUpTestSuite() { MakeFiles(); }
    static void TearDownTestSuite() { RemoveFiles(); }

    std::string Path(std::string_view name) const { return *env_ / name; }
    int Ctl(const std::string& arguments, std::string* output = nullptr) {
        return RunCommand(Quote(BinPath("orxxctl")) + " " + arguments + " 2>/dev/null", output);
    }
};

TEST_F(CmsOrxxctlTest, SignsVerifiesEncryptsAndDecryptsFiles) {
    ASSERT_EQ(0, Create("Alice token", "token-pass"));
    ASSERT_EQ(0, RunCommand("openssl pkcs12 -export -in " + Quote(Files().alice.certPath) +
                            " -inkey " + Quote(Files().alice.keyPath) +
                            " -passout pass:p12-pass -out " + Quote(Path("alice.p12"))));
    Script({"pin p12-pass", "pin token-pass"});
    ASSERT_EQ(0, Ctl("file import " + Quote(Path("alice.p12"))));

    const std::string content = SampleContent(100000);
    WriteFile(Path("report.txt"), content);
    ASSERT_EQ(kConfigOk, ConfigWriteInt("Encryption", "RecordFileName", 1));
    for (const char* form : {"", "--mime"}) {
        SCOPED_TRACE(form);
        Script({"pin token-pass"});
        ASSERT_EQ(0, Ctl("file sign " + Quote(Path("report.txt")) + " " + Quote(Path("s.p7s")) +
                         " " + Quote(Files().alice.certPath) + " " + form));
        ASSERT_EQ(0, Ctl("file verify " + Quote(Path("s.p7s")) + " " + Quote(Path("v.txt"))));
        EXPECT_TRUE(ReadFile(Path("v.txt")) == content);
        // From standard input, which cannot be looked into before it is read.
        ASSERT_EQ(0, Ctl("file verify - " + Quote(Path("v2.txt")) + " < " + Quote(Path("s.p7s"))));
        EXPECT_TRUE(ReadFile(Path("v2.txt")) == content);

        ASSERT_EQ(0, Ctl("file encrypt " + Quote(Path("report.txt")) + " " + Quote(Path("e.p7m")) +
                         " " + Quote(Files().alice.certPath) + " " + form));
        Script({"pin token-pass"});
        std::string output;
        ASSERT_EQ(
            0, Ctl("file decrypt " + Quote(Path("e.p7m")) + " " + Quote(Path("d.bin")), &output));
        EXPECT_TRUE(ReadFile(Path("d.bin")) == content);
        EXPECT_EQ("file name: report.txt\n", output);
    }
    // Without the name recorded (the default) nothing is told about it.
    ASSERT_EQ(kConfigOk, ConfigDeleteKey("Encryption", "RecordFileName"));
    ASSERT_EQ(0, Ctl("file encrypt " + Quote(Path("report.txt")) + " " + Quote(Path("e.p7m")) +
                     " " + Quote(Files().alice.certPath)));
    Script({"pin token-pass"});
    std::string output;
    ASSERT_EQ(0, Ctl("file decrypt " + Quote(Path("e.p7m")) + " " + Quote(Path("d.bin")), &output));
    EXPECT_TRUE(ReadFile(Path("d.bin")) == content);
    EXPECT_EQ("", output);

    // A changed byte: verification fails, nothing is written.
    std::string signedFile = ReadFile(Path("s.p7s"));
    const size_t at = signedFile.find("\n\n") + 40;
    signedFile[at] = signedFile[at] == 'A' ? 'B' : 'A';
    WriteFile(Path("s.p7s"), signedFile);
    EXPECT_EQ(1, Ctl("file verify " + Quote(Path("s.p7s")) + " " + Quote(Path("bad.txt"))));
    EXPECT_FALSE(PathExists(Path("bad.txt")));
}

TEST_F(CmsOrxxctlTest, FilesOfAnySizeAreReadInBlocksAndResultsReplaceTheirTarget) {
    // Around the block size in which a file is read into its Base64 text.
    for (const size_t size : {size_t{1}, size_t{2}, size_t{49151}, size_t{49152}, size_t{49154}}) {
        SCOPED_TRACE(size);
        const std::string content = SampleContent(size);
        WriteFile(Path("in.bin"), content);
        WriteFile(Path("e.p7m"), std::string(200000, 'x'));  // a longer file is replaced whole
        ASSERT_EQ(0, Ctl("file encrypt " + Quote(Path("in.bin")) + " " + Quote(Path("e.p7m")) +
                         " " + Quote(Files().alice.certPath)));
        ASSERT_EQ(0, RunCommand("openssl cms -decrypt -binary -inform DER -in " +
                                Quote(Path("e.p7m")) + " -inkey " + Quote(Files().alice.keyPath) +
                                " -out " + Quote(Path("d.bin"))));
        EXPECT_TRUE(ReadFile(Path("d.bin")) == content);
    }
    WriteFile(Path("empty"), "");
    EXPECT_EQ(1, Ctl("file encrypt " + Quote(Path("empty")) + " " + Quote(Path("e.p7m")) + " " +
                     Quote(Files().alice.certPath)));
    // A target that cannot be written: a failure, and the input is left alone.
    EXPECT_EQ(1, Ctl("file encrypt " + Quote(Path("in.bin")) + " " + Quote(Path("in.bin/x")) + " " +
                     Quote(Files().alice.certPath)));
    EXPECT_EQ(49154u, ReadFile(Path("in.bin")).size());
}

}  // namespace
}  // namespace orx::testing
