// A soft token's password changed by another process while this one is logged in:
// the login's key no longer opens the token, the login ends, and the password is
// asked again as after a log-out, so that the write still lands.
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "module_fixture.h"
#include "core/base64.h"
#include "storage/atomic_file.h"
#include "test_certificates.h"
#include "tokenfile/token_objects.h"
#include "tokenfile/token_store.h"

namespace orx::testing {
namespace {

class PasswordChangedElsewhere : public ModuleTest {
  protected:
    int WriteCertificate(int serial) {
        const auto der = MakeDer({"Import " + std::to_string(serial), "Test CA", "digitalSignature",
                                  "20301231235959Z", serial});
        app_->SetProperty("Certificate", Base64Encode(der).c_str());
        return app_->Invoke("WriteCertificate");
    }
    size_t CertificateCount() { return Enum("CertificateEx").size(); }
};

// True once another open of `path` waits for its flock (/proc/locks marks a waiter
// with "->"), so that the test knows where the other side stands.
bool WaitForLockWaiter(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    const std::string inode = ":" + std::to_string(info.st_ino) + " ";
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < until) {
        std::ifstream locks("/proc/locks");
        for (std::string line; std::getline(locks, line);) {
            if (line.find("->") != std::string::npos && line.find(inode) != std::string::npos)
                return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// What another process's "ChangePassword" does under the folder lock.
void ChangePasswordLocked(const TokenStore& store, const std::string& stem, const std::string& from,
                          const std::string& to) {
    TokenFile file;
    ASSERT_EQ(store.Read(stem, file), CKR_OK);
    TokenKey oldKey;
    ASSERT_TRUE(DeriveFileKey(file, from, oldKey));
    std::vector<TokenObject> objects;
    ASSERT_EQ(UnsealToken(file, oldKey, objects), CKR_OK);
    TokenKey newKey;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(RekeyTokenFile(file, to, newKey));
    ASSERT_TRUE(SerializeTokenFile(file, newKey, objects, bytes));
    ASSERT_EQ(store.ReplaceLocked(stem, bytes), CKR_OK);
}

TEST_F(PasswordChangedElsewhere, AChangeBetweenTheLoginsCheckAndTheWriteAsksAgain) {
    ASSERT_EQ(Create("Raced", "old-pass"), 0);
    app_->SetActiveSlot(100);
    Script({"pin old-pass"});
    ASSERT_EQ(app_->Invoke("Login"), 0);
    ASSERT_EQ(WriteCertificate(1), 0);  // logged in: nothing asked

    // The other process holds the folder's lock for its change; this one's write has
    // found its login good and waits for the lock.
    Script({"pin new-pass"});
    auto other = std::make_unique<FileLock>(TokenFolder() + ".lock");
    ASSERT_TRUE(other->locked());
    int result = -1;
    std::thread writer([&] { result = WriteCertificate(2); });
    const bool waiting = WaitForLockWaiter(TokenFolder() + ".lock");
    if (waiting)
        ChangePasswordLocked(TokenStore(TokenFolder()), "Raced", "old-pass", "new-pass");
    other.reset();
    writer.join();
    ASSERT_TRUE(waiting);

    EXPECT_EQ(result, CKR_OK);
    EXPECT_EQ(ScriptLeft(), "");  // the new password was asked and given
    EXPECT_EQ(CertificateCount(), 2u);
    EXPECT_EQ(Get("LoggedIn"), "true");
    // Logged in with the new password now: the next write asks nothing.
    Script({"pin never-asked"});
    EXPECT_EQ(WriteCertificate(3), 0);
    EXPECT_EQ(ScriptLeft(), "pin never-asked\n");
}

TEST_F(PasswordChangedElsewhere, TwentyImportsLandWhileAnotherProcessChangesThePassword) {
    ASSERT_EQ(Create("Shared", "old-pass"), 0);
    app_->SetActiveSlot(100);
    // This process is asked twice: before its first import and after the change. It
    // imports without a pause, so that the change often falls between the check of
    // its login and its write.
    Script({"pin old-pass", "pin new-pass"});
    const std::string otherScript = *env_ / "other.script";
    WriteFile(otherScript, "pin old-pass\npin new-pass\npin new-pass\n");

    std::jthread changer;
    int changed = -1;
    for (int i = 1; i <= 20; ++i) {
        if (i == 6) {
            changer = std::jthread([&] {
                changed =
                    RunCommand("FAKE_PINENTRY_SCRIPT=" + otherScript + " " + BinPath("orxxctl") +
                               " --slot 100 token password change 2>/dev/null");
            });
        }
        // The change lands somewhere in the middle of the imports.
        if (i == 16) {
            changer.join();
            ASSERT_EQ(changed, 0);
        }
        ASSERT_EQ(WriteCertificate(100 + i), 0) << "import " << i;
    }
    EXPECT_EQ(CertificateCount(), 20u);
    EXPECT_EQ(ScriptLeft(), "");
    EXPECT_EQ(ReadFile(otherScript), "");
    // Whoever opens the token now needs the new password.
    auto fresh = Start();
    Script({"pin new-pass"});
    EXPECT_EQ(fresh->Invoke("Login"), 0);
}

}  // namespace
}  // namespace orx::testing
