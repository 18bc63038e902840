// A file replaced from pieces: what the pieces say, or the old file untouched and no
// temporary file left behind, whichever way the writing fails.
#include <fcntl.h>
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
