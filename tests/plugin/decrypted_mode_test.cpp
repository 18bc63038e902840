// Decrypted content written by orxxctl is its owner's alone: mode 0600 whatever the
// umask and whatever file it replaces. Other results follow the umask as files do.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "cms_test_support.h"
#include "module_fixture.h"

namespace orx::testing {
namespace {

class DecryptedMode : public ModuleTest, public CmsFilesSuite {
  protected:
    static void SetUpTestSuite() { MakeFiles(); }
    static void TearDownTestSuite() { RemoveFiles(); }

    std::string Path(std::string_view name) const { return *env_ / name; }
    int Ctl(const std::string& umask, const std::string& arguments) {
        return RunCommand("umask " + umask + " && " + Quote(BinPath("orxxctl")) + " " + arguments +
                          " 2>/dev/null");
    }
    static mode_t ModeOf(const std::string& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return info.st_mode & 07777;
    }
};

TEST_F(DecryptedMode, DecryptedFilesAre0600UnderEveryUmask) {
    ASSERT_EQ(0, Create("Alice token", "token-pass"));
    ASSERT_EQ(0, RunCommand("openssl pkcs12 -export -in " + Quote(Files().alice.certPath) +
                            " -inkey " + Quote(Files().alice.keyPath) +
                            " -passout pass:p12-pass -out " + Quote(Path("alice.p12"))));
    Script({"pin p12-pass", "pin token-pass"});
    ASSERT_EQ(0, Ctl("022", "file import " + Quote(Path("alice.p12"))));
    WriteFile(Path("report.txt"), "the figures");
    ASSERT_EQ(0, Ctl("022", "file encrypt " + Quote(Path("report.txt")) + " " +
                                Quote(Path("e.p7m")) + " " + Quote(Files().alice.certPath)));

    const struct {
        const char* umask;
        int existing;  // the mode of a file already there, -1: none
    } cases[] = {{"000", -1}, {"022", -1}, {"077", -1}, {"000", 0666}, {"022", 0644}};
    int n = 0;
    for (const auto& c : cases) {
        const std::string out = Path("plain" + std::to_string(n++));
        if (c.existing >= 0) {
            WriteFile(out, "an older file");
            ASSERT_EQ(::chmod(out.c_str(), static_cast<mode_t>(c.existing)), 0);
        }
        Script({"pin token-pass"});
        ASSERT_EQ(0, Ctl(c.umask, "file decrypt " + Quote(Path("e.p7m")) + " " + Quote(out)));
        EXPECT_EQ(ReadFile(out), "the figures");
        EXPECT_EQ(ModeOf(out), 0600u) << "umask " << c.umask << ", before " << c.existing;
    }
    // What is not secret follows the umask.
    EXPECT_EQ(ModeOf(Path("e.p7m")), 0644u);
}

}  // namespace
}  // namespace orx::testing
