#include "der/cert_view.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "cert_test_support.h"
#include "core/os/folders.h"
#include "core/product_identity.h"
#include "core/trace.h"
#include "support/process_state.h"

namespace orx {
namespace {

using namespace orx::testing;

// A client program that notes its arguments and keeps a copy of the file it is
// asked to show, in a program folder of the test's own.
class CertViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(RunCommand("mkdir -p '" + (env_ / "bin") + "' '" + (env_ / "seen") + "'"), 0);
        WriteFile(env_ / "bin/orx",
                  "#!/bin/sh\n"
                  "echo \"$*\" >> '" +
                      (env_ / "client.log") +
                      "'\n"
                      "cp \"$2\" '" +
                      (env_ / "seen") + "/'\n");
        ASSERT_EQ(::chmod((env_ / "bin/orx").c_str(), 0755), 0);
        SetProgramPath(env_ / "bin/orxxadm");
        identity_testing::Reset();
        InitProductIdentity();
    }

    // The client's log once it has `lines` lines (it runs on its own without an owner).
    std::string ClientLog(size_t lines) const {
        for (int i = 0; i < 500; ++i) {
            if (PathExists(env_ / "client.log")) {
                const std::string log = ReadFile(env_ / "client.log");
                if (static_cast<size_t>(std::count(log.begin(), log.end(), '\n')) >= lines)
                    return log;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return PathExists(env_ / "client.log") ? ReadFile(env_ / "client.log") : "";
    }

    IsolatedEnvironment env_;
};

TEST_F(CertViewTest, CountedFilesInThePrivateFolder) {
    const Bytes der = MakeCertificate({});
    const CertHandle handle = CertCreate(der);
    ASSERT_TRUE(handle);
    TraceSetFile(env_ / "trace.txt");
    const std::string folder = GetPrivateTempFolder();
    ASSERT_FALSE(folder.empty());
    const std::string first = folder + "~orx001.cer";
    const std::string second = folder + "~orx002.cer";
    const std::string third = folder + "~orx003.cer";

    // Without an owner the client is started and the file is left to it.
    CertView(nullptr, handle.get());
    EXPECT_EQ(ClientLog(1), "-view " + first + "\n") << ReadFile(env_ / "trace.txt");
    ASSERT_TRUE(PathExists(first));
    EXPECT_EQ(ReadBytes(first), der);
    struct stat info {};
    ASSERT_EQ(::lstat(first.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // With an owner the client is waited for and the file is gone afterwards.
    CertView(reinterpret_cast<void*>(1), handle.get());
    EXPECT_EQ(ClientLog(2), "-view " + first + "\n-view " + second + "\n");
    EXPECT_FALSE(PathExists(second));
    EXPECT_EQ(ReadBytes(env_ / "seen/~orx002.cer"), der);

    // Something already at the name is replaced, never written through.
    WriteFile(env_ / "target", "keep");
    ASSERT_EQ(::symlink((env_ / "target").c_str(), third.c_str()), 0);
    EXPECT_EQ(ViewCertificateBytes(nullptr, der), 0);
    EXPECT_EQ(ReadFile(env_ / "target"), "keep");
    ASSERT_EQ(::lstat(third.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(ReadBytes(third), der);
    ClientLog(3);

    // No handle, nothing shown.
    CertView(nullptr, nullptr);
    EXPECT_FALSE(PathExists(folder + "~orx004.cer"));
}

}  // namespace
}  // namespace orx
