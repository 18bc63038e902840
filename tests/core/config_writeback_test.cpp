// Writing the per-user file back must never lose it: whatever fails, the old or the
// new text is there in full.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "core/config_file.h"
#include "core/config_tree_cache.h"
#include "core/file_helpers.h"
#include "support/test_environment.h"
#include "support/write_failures.h"

namespace orx {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

class ConfigWriteBackTest : public ::testing::Test {
  protected:
    void TearDown() override {
        file_testing::FailWritesAfter(-1);
        file_testing::FailFilesBeside(false);
    }
    std::vector<std::string> FilesIn(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    mode_t ModeOf(const std::string& path) {
        struct stat info {};
        ::stat(path.c_str(), &info);
        return info.st_mode & 07777;
    }
    testing::IsolatedEnvironment env;
};

TEST_F(ConfigWriteBackTest, FailedWriteKeepsTheOldFile) {
    const std::string old = "[Dialog]\nWidth=1\n" + std::string(5000, ';') + "\n";
    const std::string folder = env / "cfg";
    fs::create_directories(folder);
    const std::string path = folder + "/user.cfg";
    testing::ScopedEnv user("configorx", path.c_str());
    for (long long after : {0LL, 1LL, 100LL, 4096LL, 5010LL}) {
        WriteFile(path, old);
        file_testing::FailWritesAfter(after);
        EXPECT_EQ(ConfigWriteString("Dialog", "Width", "2"), kConfigFailed) << after;
        file_testing::FailWritesAfter(-1);
        EXPECT_EQ(ReadFile(path), old) << after;
        EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"user.cfg"}) << after;
    }
    ASSERT_EQ(ConfigWriteString("Dialog", "Width", "2"), kConfigOk);
    std::string value;
    EXPECT_EQ(ConfigReadString("Dialog", "Width", value), kConfigOk);
    EXPECT_EQ(value, "2");
}

TEST_F(ConfigWriteBackTest, KeepsModeAndFollowsLinks) {
    const std::string real = env / "real.cfg";
    WriteFile(real, "[S]\nk=1\n");
    ::chmod(real.c_str(), 0640);
    fs::remove(env.userConfigPath());
    fs::create_symlink(real, env.userConfigPath());
    ASSERT_EQ(ConfigWriteString("S", "k", "2"), kConfigOk);
    EXPECT_TRUE(fs::is_symlink(env.userConfigPath()));
    EXPECT_EQ(ReadFile(real), "[S]\nk=2\n");
    EXPECT_EQ(ModeOf(real), 0640u);
}

TEST_F(ConfigWriteBackTest, NewPerUserFileIsPrivate) {
    testing::ScopedEnv unset("configorx", nullptr);
    const mode_t mask = ::umask(0);  // even the loosest umask
    ASSERT_EQ(ConfigWriteString("S", "k", "v"), kConfigOk);
    ::umask(mask);
    const std::string path = env / "config/orx/orx.cfg";
    EXPECT_EQ(ReadFile(path), "\n[S]\nk=v\n");
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(ModeOf(env / "config/orx"), 0700u);
}

TEST_F(ConfigWriteBackTest, RewritesInPlaceWhenNothingCanBeMadeBeside) {
    WriteFile(env.userConfigPath(), "[S]\nk=1\nlong=" + std::string(1000, 'x') + "\n");
    file_testing::FailFilesBeside(true);
    ASSERT_EQ(ConfigWriteString("S", "long", "short"), kConfigOk);
    EXPECT_EQ(ReadFile(env.userConfigPath()), "[S]\nk=1\nlong=short\n");
}

TEST_F(ConfigWriteBackTest, WholeFiles) {
    const std::string path = env / "out.der";
    std::vector<uint8_t> bytes(200000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7);
    ASSERT_TRUE(WriteWholeFile(bytes, path));
    std::vector<uint8_t> back;
    EXPECT_TRUE(ReadWholeFile(path, back));
    EXPECT_EQ(back, bytes);

    const auto before = FilesIn(env.root());
    file_testing::FailWritesAfter(5);
    EXPECT_FALSE(WriteWholeFile(std::string_view("replacement"), path));
    file_testing::FailWritesAfter(-1);
    EXPECT_TRUE(ReadWholeFile(path, back));
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(FilesIn(env.root()), before);

    WriteFile(env / "plain", "x");
    EXPECT_FALSE(WriteWholeFile(std::string_view("x"), env / "plain/file"));
    EXPECT_FALSE(WriteWholeFile(std::string_view("x"), ""));
    EXPECT_FALSE(WriteWholeFile(std::string_view("x"), env.root()));
    ASSERT_TRUE(WriteWholeFile(std::string_view(""), env / "empty"));
    EXPECT_TRUE(FileExists(env / "empty"));
}

TEST_F(ConfigWriteBackTest, ReadWholeFileKnowsEmptyFromUnreadable) {
    WriteFile(env / "five", "12345");
    WriteFile(env / "empty", "");
    ASSERT_EQ(::mkfifo((env / "fifo").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((env / "no writer").c_str(), 0600), 0);
    // A writer that hands the pipe more than one read takes in one go.
    const std::string piped(100000, 'p');
    std::thread writer([&] { WriteFile(env / "fifo", piped); });
    constexpr ReadFrom kAny = ReadFrom::kAnyFile, kRegular = ReadFrom::kRegularFile;
    struct Case {
        std::string path;
        size_t limit;
        ReadFrom from;
        bool ok;
        std::string text;
        int error;  // errno on failure
    } cases[] = {
        {env / "five", kNoSizeLimit, kAny, true, "12345", 0},
        {env / "five", 5, kAny, true, "12345", 0},
        {env / "five", 4, kAny, false, "", EFBIG},
        {env / "five", 5, kRegular, true, "12345", 0},
        {env / "five", 4, kRegular, false, "", EFBIG},
        {env / "empty", 0, kAny, true, "", 0},
        {env / "fifo", kNoSizeLimit, kAny, true, piped, 0},
        // Only a regular file is taken: a pipe nobody writes to is refused at once.
        {env / "no writer", kNoSizeLimit, kRegular, false, "", EINVAL},
        {"/dev/null", kNoSizeLimit, kAny, true, "", 0},
        {"/dev/null", kNoSizeLimit, kRegular, false, "", EINVAL},
        {env / "missing", kNoSizeLimit, kAny, false, "", ENOENT},
        {env / "missing", kNoSizeLimit, kRegular, false, "", ENOENT},
        {env.root(), kNoSizeLimit, kAny, false, "", EISDIR},
        {env.root(), kNoSizeLimit, kRegular, false, "", EISDIR},
        // A file that tells no size is cut off as it grows beyond the limit.
        {"/proc/self/status", 10, kAny, false, "", EFBIG},
    };
    for (const Case& c : cases) {
        std::string text = "stale";
        errno = 0;
        EXPECT_EQ(ReadWholeFile(c.path, text, c.limit, c.from), c.ok)
            << c.path << " " << c.limit << " " << static_cast<int>(c.from);
        EXPECT_EQ(text, c.text) << c.path;
        if (!c.ok) {
            EXPECT_EQ(errno, c.error) << c.path;
        }
    }
    writer.join();
    std::vector<uint8_t> bytes = {1};
    EXPECT_TRUE(ReadWholeFile("/proc/self/status", bytes));
    EXPECT_GT(bytes.size(), 10u);
}

TEST_F(ConfigWriteBackTest, CreatePathAndFileExists) {
    EXPECT_TRUE(CreatePath(env / "a/b/c/"));
    EXPECT_TRUE(fs::is_directory(env / "a/b/c"));
    EXPECT_TRUE(CreatePath(env / "d//e/file.txt"));
    EXPECT_TRUE(fs::is_directory(env / "d/e"));
    EXPECT_FALSE(fs::exists(env / "d/e/file.txt"));
    WriteFile(env / "plain", "x");
    EXPECT_FALSE(CreatePath(env / "plain/sub/"));
    EXPECT_TRUE(FileExists(env / "plain"));
    EXPECT_TRUE(FileExists(env.root()));
    EXPECT_FALSE(FileExists(env / "nothing"));
    EXPECT_FALSE(FileExists(""));
}

}  // namespace
}  // namespace orx
