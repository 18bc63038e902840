#include "storage/atomic_file.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "plugin_test_support.h"
#include "support/test_environment.h"
#include "tokenfile/token_store.h"

namespace orx {
namespace {

using testing::IsolatedEnvironment;
using testing::ReadFile;
using testing::ScopedEnv;

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A disk that fills up (or fails) part way leaves the old content and no debris.
TEST(AtomicFile, AWriteFailingAfterNBytesKeepsTheOldContent) {
    IsolatedEnvironment env;
    const std::string folder = env / "w";
    ASSERT_TRUE(MakeFolders(folder));
    const std::string path = folder + "/token.tkn";
    const std::string old(3000, 'o');
    ASSERT_TRUE(AtomicWriteFile(path, testing::Bytes(old)));
    const std::string fresh(6000, 'n');
    for (const char* n : {"0", "1", "511", "4096", "5999"}) {
        ScopedEnv fail(kFailWritesVariable, n);
        EXPECT_FALSE(AtomicWriteFile(path, testing::Bytes(fresh))) << n;
        EXPECT_EQ(ReadFile(path), old) << n;
        EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"token.tkn"}) << n;
    }
    {
        ScopedEnv fail(kFailWritesVariable, "6000");  // exactly enough
        EXPECT_TRUE(AtomicWriteFile(path, testing::Bytes(fresh)));
        EXPECT_EQ(ReadFile(path), fresh);
    }
    ASSERT_TRUE(AtomicWriteFile(path, testing::Bytes("short")));  // nothing of the longer one stays
    EXPECT_EQ(ReadFile(path), "short");
    // What is no count of bytes makes no write fail.
    for (const char* notACount : {"", "-1", "12x", "x"}) {
        ScopedEnv fail(kFailWritesVariable, notACount);
        EXPECT_TRUE(AtomicWriteFile(path, testing::Bytes(fresh))) << notACount;
        EXPECT_EQ(ReadFile(path), fresh) << notACount;
    }
}

TEST(AtomicFile, AWriteIntoAFolderThatCannotExistFails) {
    IsolatedEnvironment env;
    testing::WriteFile(env / "plain", "x");
    EXPECT_FALSE(AtomicWriteFile(env / "plain/sub.tkn", testing::Bytes("y")));
    EXPECT_FALSE(MakeFolders(env / "plain/sub"));
}

// A writer killed at a random moment leaves either the old or the new token,
// and the next locked writer clears its left-over file.
TEST(AtomicFile, AWriterKilledWithSigkillLeavesOldOrNewContent) {
    IsolatedEnvironment env;
    TokenStore store(env / "tokens/");
    const auto a = testing::MakeTokenBytes("Kill", "secret-1", std::string(200000, 'A'));
    const auto b = testing::MakeTokenBytes("Kill", "secret-1", std::string(300000, 'B'));
    std::string stem;
    ASSERT_EQ(store.Locked([&]() -> int { return store.CreateLocked("Kill", a, stem); }), CKR_OK);
    for (int round = 0; round < 8; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i)
                store.Locked([&]() -> int { return store.ReplaceLocked(stem, i % 2 ? a : b); });
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5 + round * 7));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        std::vector<uint8_t> now;
        ASSERT_EQ(store.ReadBytes(stem, now), CKR_OK);
        EXPECT_TRUE(now == a || now == b) << "round " << round;
        TokenFile file;
        EXPECT_EQ(ParseTokenFile(now, file), CKR_OK);
    }
    store.Locked([] { return CKR_OK; });
    for (const std::string& name : FolderEntries(store.folder()))
        EXPECT_EQ(name.find(".new-"), std::string::npos) << name;
}

// Two processes adding objects to the same token at once: every addition stays.
TEST(AtomicFile, TwoProcessesChangingOneTokenLoseNoChange) {
    IsolatedEnvironment env;
    TokenStore store(env / "tokens/");
    TokenFile file;
    TokenKey key;
    ASSERT_TRUE(NewTokenFile("Shared", "secret-1", testing::CheapKdf(), file, key));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(SerializeTokenFile(file, key, {}, bytes));
    std::string stem;
    ASSERT_EQ(store.Locked([&]() -> int { return store.CreateLocked("Shared", bytes, stem); }),
              CKR_OK);

    constexpr int kEach = 15;
    auto addObjects = [&](char tag) {
        for (int i = 0; i < kEach; ++i) {
            const int result = store.Locked([&]() -> int {
                TokenFile current;
                if (store.Read(stem, current) != CKR_OK)
                    return CKR_FUNCTION_FAILED;
                std::vector<TokenObject> objects;
                if (UnsealToken(current, key, objects) != CKR_OK)
                    return CKR_FUNCTION_FAILED;
                objects.push_back({ObjectKind::Data, true, std::string(1, tag) + std::to_string(i),
                                   "", "", testing::Bytes("v")});
                std::vector<uint8_t> out;
                if (!SerializeTokenFile(current, key, objects, out))
                    return CKR_FUNCTION_FAILED;
                return store.ReplaceLocked(stem, out);
            });
            if (result != CKR_OK)
                return false;
        }
        return true;
    };
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        _exit(addObjects('c') ? 0 : 1);
    const bool mine = addObjects('p');
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(mine);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    TokenFile final;
    ASSERT_EQ(store.Read(stem, final), CKR_OK);
    std::vector<TokenObject> objects;
    ASSERT_EQ(UnsealToken(final, key, objects), CKR_OK);
    EXPECT_EQ(objects.size(), 2u * kEach);
}

}  // namespace
}  // namespace orx
