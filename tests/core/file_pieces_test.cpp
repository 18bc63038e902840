// A file replaced from pieces: what the pieces say, or the old file untouched and no
// temporary file left behind, whichever way the writing fails.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "core/file_helpers.h"
#include "support/test_environment.h"
#include "support/write_failures.h"

namespace orx {
namespace {

using testing::ReadFile;
using testing::WriteFile;

size_t EntriesIn(const std::string& folder) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

TEST(ReplaceFileInPieces, ThePiecesOrTheOldFile) {
    testing::TempDir dir;
    const std::string path = dir / "out.bin";
    const std::string old(100000, 'o');
    struct Case {
        const char* name;
        int piecesBeforeGivingUp;   // -1: all of them
        long long failWritesAfter;  // -1: writes do not fail
        int error;
    };
    const Case cases[] = {
        {"all pieces", -1, -1, 0},
        {"the producer gives up", 2, -1, EIO},
        {"a write fails half-way through a piece", -1, 3, EIO},
        {"nothing written at all", 0, -1, EIO},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(path, old);
        file_testing::FailWritesAfter(c.failWritesAfter);
        const int error = ReplaceFileInPieces(path, [&](const ContentWriter& write) {
            for (int i = 0; i < 4; ++i) {
                if (i == c.piecesBeforeGivingUp)
                    return false;
                if (!write("piece" + std::to_string(i) + ";"))
                    return false;
            }
            return true;
        });
        file_testing::FailWritesAfter(-1);
        EXPECT_EQ(c.error, error);
        EXPECT_TRUE(ReadFile(path) == (c.error ? old : "piece0;piece1;piece2;piece3;"));
        EXPECT_EQ(1u, EntriesIn(dir.path()));
    }
}

TEST(ReplaceFileInPieces, InPlaceWhenNothingCanBeMadeBesideIt) {
    testing::TempDir dir;
    const std::string path = dir / "locked.cfg";
    WriteFile(path, std::string(5000, 'o'));
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    file_testing::FailFilesBeside(true);
    ReplaceOptions options;
    options.inPlaceDescriptor = fd;
    const int error = ReplaceFileInPieces(
        path, [](const ContentWriter& write) { return write("new ") && write("text"); }, options);
    file_testing::FailFilesBeside(false);
    ::close(fd);
    EXPECT_EQ(0, error);
    EXPECT_EQ("new text", ReadFile(path));
}

}  // namespace
}  // namespace orx

namespace orx {
namespace {

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// The process's umask for a scope.
class ScopedUmask {
  public:
    explicit ScopedUmask(mode_t mask) : old_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(old_); }

  private:
    mode_t old_;
};

// Content for its owner alone is 0600 whatever the umask and whatever the file it
// replaces; other content follows the umask when new and keeps an old file's mode.
TEST(ReplaceFileContents, OwnerOnlyContentIs0600WhateverTheUmask) {
    testing::TempDir dir;
    const struct {
        mode_t umask;
        bool ownerOnly;
        int existingMode;  // -1: no file before
        mode_t expected;
    } cases[] = {
        {000, true, -1, 0600},   {022, true, -1, 0600},    {077, true, -1, 0600},
        {000, true, 0644, 0600}, {022, true, 0666, 0600},  {000, false, -1, 0666},
        {022, false, -1, 0644},  {000, false, 0640, 0640},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string path = dir / ("out" + std::to_string(n++));
        if (c.existingMode >= 0) {
            WriteFile(path, "old");
            ASSERT_EQ(::chmod(path.c_str(), static_cast<mode_t>(c.existingMode)), 0);
        }
        ReplaceOptions options;
        options.ownerOnly = c.ownerOnly;
        {
            ScopedUmask mask(c.umask);
            ASSERT_EQ(ReplaceFileContents(path, "secret content", options), 0);
        }
        EXPECT_EQ(ModeOf(path), c.expected) << "umask " << std::oct << c.umask << ", owner only "
                                            << c.ownerOnly << ", before " << c.existingMode;
        EXPECT_EQ(ReadFile(path), "secret content");
    }
}

}  // namespace
}  // namespace orx
