#include "core/trace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/clock.h"
#include "support/process_state.h"
#include "support/test_environment.h"

// These tests hand the trace log formats built at run time on purpose.
#pragma GCC diagnostic ignored "-Wformat-security"
#pragma GCC diagnostic ignored "-Wformat-nonliteral"

namespace orx {
namespace {

using testing::IsolatedEnvironment;
using testing::ReadFile;

// Midnight one day after the epoch: a time of day of 0, and late enough that
// the first line makes the size check.
constexpr long long kStart = kDayMillis;
long long g_now = kStart;
long long FakeClock() {
    return g_now;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Strips "[pid:tid] hh.mm.ss.mmm " and returns the message.
std::string Message(const std::string& line) {
    static const std::regex prefix(R"(^\[\d{4,}:\d{4,}\] \d\d\.\d\d\.\d\d\.\d\d\d (.*)$)");
    std::smatch m;
    if (!std::regex_match(line, m, prefix))
        return "<bad prefix: " + line + ">";
    return m[1];
}

class TraceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_now = kStart;
        clock_testing::SetClock(FakeClock);
    }
    void TearDown() override {
        TraceSetFile(nullptr);
        clock_testing::SetClock(nullptr);
    }
    std::string LastLine() {
        auto lines = Lines(ReadFile(path));
        return lines.empty() ? std::string() : lines.back();
    }
    std::string LastMessage() { return Message(LastLine()); }
    long long Size() {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 ? info.st_size : -1;
    }
    IsolatedEnvironment env;
    std::string path = env / "trace.log";
};

TEST_F(TraceTest, OffWritesNothingAndOnStartsWithTheDateLine) {
    Trace("Web - nothing %d", 1);
    EXPECT_FALSE(testing::PathExists(path));
    EXPECT_FALSE(TraceIsOn());

    TraceSetFile(path);
    auto lines = Lines(ReadFile(path));
    ASSERT_EQ(lines.size(), 1u);
    const std::regex date(
        R"(^\[(\d{4,}):\d{4,}\] 00\.00\.00\.000 Trace - Date \d{4}-\d\d-\d\d \d\d:\d\d:\d\d, '(.*)'$)");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[0], m, date)) << lines[0];
    EXPECT_EQ(std::stol(m[1]), getpid());
    EXPECT_EQ(m[2], path);
}

TEST_F(TraceTest, Formats) {
    TraceSetFile(path);
    auto traced = [&](auto... values) {
        Trace(values...);
        return LastMessage();
    };
    // Hidden from the compiler, which would rightly warn about a literal null "%s".
    static const char* volatile hiddenNull = nullptr;
    const char* nullText = hiddenNull;
    const std::string tooMany = "INTERNAL PROBLEM, TOO MANY ARGUMENTS";
    const std::pair<std::string, std::string> cases[] = {
        {"Web - Load OK", traced("Web - Load OK")},
        {"Config - Open 'a.cfg' (r)", traced("Config - Open '%s' (%s)", "a.cfg", "r")},
        {"Value <null> end", traced("Value %s end", nullText)},
        {"100% done 7", traced("100%% done %d", 7)},
        {"hex 0000beef -12", traced("hex %.8x %d", 0xbeef, -12)},
        {"[  ab]", traced("[%*s]", 4, "ab")},
        {"long 1234567890123", traced("long %lld", 1234567890123LL)},
        {"Thread - Created [0042]", traced("Thread - Created [%.4d]", 42)},
        // Ten values at most, a "*" width taking one of its own; "%%" takes none.
        {"1 2 3 4 5 6 7 8 9 10",
         traced("%d %d %d %d %d %d %d %d %d %d", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10)},
        {tooMany, traced("%d %d %d %d %d %d %d %d %d %d %d", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11)},
        {tooMany, traced("%*d %d %d %d %d %d %d %d %d %d", 3, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10)},
        {"% % % % % % % % % % % 5", traced("%% %% %% %% %% %% %% %% %% %% %% %d", 5)},
    };
    for (const auto& [expected, actual] : cases)
        EXPECT_EQ(actual, expected);
}

TEST_F(TraceTest, FormatIsCutTo126Characters) {
    TraceSetFile(path);
    const std::string format(200, 'x');
    Trace("%s", format.c_str());  // a value is not cut
    EXPECT_EQ(LastMessage(), format);
    g_now = kStart + 1250;
    Trace(format.c_str());  // NOLINT: the format itself is cut
    EXPECT_EQ(LastMessage(), std::string(126, 'x'));
    EXPECT_NE(LastLine().find(" 00.00.01.250 "), std::string::npos);
    // A conversion cut in half is shown as it stands and takes no value.
    std::string cutConversion = std::string(125, 'y') + "%d tail";
    Trace(cutConversion.c_str(), 5);
    EXPECT_EQ(LastMessage(), std::string(125, 'y') + "%");
}

TEST_F(TraceTest, ElapsedTimeWrapsAtMidnight) {
    struct Case {
        long long origin;  // milliseconds of the day
        long long later;   // milliseconds after the origin
        std::string stamp;
    };
    const Case cases[] = {
        {0, 1250, "00.00.01.250"},
        {1000, 3600000 + 61000 + 7, "01.01.01.007"},
        // 25 hours after the origin shows 01 hours: the clock is taken within a day.
        {36000000, 25 * 3600000, "01.00.00.000"},
        {86000000, 400000 + 400000, "00.13.20.000"},
    };
    for (const Case& c : cases) {
        trace_testing::ResetState();
        g_now = kStart + c.origin;
        TraceSetFile(path);
        g_now += c.later;
        Trace("tick");
        EXPECT_NE(LastLine().find("] " + c.stamp + " tick"), std::string::npos) << LastLine();
    }
}

TEST_F(TraceTest, PathLengthLimit) {
    const std::string base = env.root() + "/";
    const std::string ok = base + std::string(259 - base.size(), 'a');
    const std::string tooLong = base + std::string(260 - base.size(), 'b');
    TraceSetFile(tooLong);
    EXPECT_FALSE(TraceIsOn());
    TraceSetFile(ok);
    EXPECT_EQ(TraceGetFile(), ok);
    TraceSetFile(tooLong);  // the previous state stays
    EXPECT_EQ(TraceGetFile(), ok);
    TraceSetFile("");
    EXPECT_FALSE(TraceIsOn());
}

TEST_F(TraceTest, FileOverTheLimitIsEmptiedAtTheHourlyCheck) {
    for (const long long size : {kTraceMaxFileSize, kTraceMaxFileSize + 1}) {
        trace_testing::ResetState();
        TraceSetFile(nullptr);
        testing::WriteFile(path, "");
        ASSERT_EQ(truncate(path.c_str(), size), 0);
        TraceSetFile(path);  // first line: checks at once
        if (size > kTraceMaxFileSize) {
            EXPECT_LT(Size(), 200);
        } else {
            EXPECT_GT(Size(), size);
        }
    }
    // The next check waits an hour.
    ASSERT_EQ(truncate(path.c_str(), kTraceMaxFileSize + 10), 0);
    g_now += 3600 * 1000;
    Trace("not yet");
    EXPECT_GT(Size(), kTraceMaxFileSize);
    g_now += 1000;
    Trace("now");
    EXPECT_LT(Size(), 200);
}

TEST_F(TraceTest, KeepsErrno) {
    TraceSetFile(path);
    errno = EACCES;
    Trace("Web - %s", "x");
    EXPECT_EQ(errno, EACCES);
    errno = ENOENT;
    TraceSetFile(env / "no/such/folder/t.log");  // unwritable: line lost
    Trace("lost");
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(TraceTest, DumpGoesBesideTheTraceFile) {
    const std::vector<uint8_t> bytes = {'a', 0, 'b'};
    TraceDump("stat.cfg", bytes);  // off: nothing
    EXPECT_FALSE(testing::PathExists(env / "~orxstat.cfg"));
    TraceSetFile(path);
    TraceDump("stat.cfg", bytes);
    TraceDump("stat.cfg", bytes, true);
    EXPECT_EQ(ReadFile(env / "~orxstat.cfg"), std::string("a\0ba\0b", 6));
    TraceDump("stat.cfg", bytes, false);
    EXPECT_EQ(ReadFile(env / "~orxstat.cfg"), std::string("a\0b", 3));

    // A trace file without a folder in its name gets no dump.
    const std::string cwd = std::filesystem::current_path();
    std::filesystem::current_path(env.root());
    TraceSetFile("relative.log");
    TraceDump("x.bin", bytes);
    EXPECT_FALSE(testing::PathExists(env / "~orxx.bin"));
    TraceSetFile(nullptr);
    std::filesystem::current_path(cwd);
}

TEST_F(TraceTest, ConcurrentThreadsWriteWholeLines) {
    TraceSetFile(path);
    constexpr int kThreads = 4;
    constexpr int kLines = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                Trace("Thread - worker %d line %d end", t, i);
        });
    }
    for (auto& thread : threads)
        thread.join();
    auto lines = Lines(ReadFile(path));
    ASSERT_EQ(lines.size(), 1u + kThreads * kLines);
    const std::regex whole(R"(Thread - worker \d line \d+ end)");
    for (size_t i = 1; i < lines.size(); ++i)
        EXPECT_TRUE(std::regex_match(Message(lines[i]), whole)) << lines[i];
}

}  // namespace
}  // namespace orx
