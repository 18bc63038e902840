// orxxctl b64 / sha1 against the system's own tools, on files made here.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "support/test_environment.h"

namespace orx {
namespace {

using testing::BinPath;
using testing::IsolatedEnvironment;
using testing::ReadFile;
using testing::RunCommand;

std::string Quote(const std::string& text) {
    return "'" + text + "'";
}

std::string Ctl() {
    return Quote(BinPath("orxxctl"));
}

void WriteRandomFile(const std::string& path, size_t size) {
    std::mt19937_64 random(size);
    std::vector<uint64_t> chunk(8192);
    std::ofstream out(path, std::ios::binary);
    for (size_t left = size; left > 0;) {
        for (auto& word : chunk) {
            word = random();
        }
        const size_t n = std::min(left, chunk.size() * sizeof(uint64_t));
        out.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(n));
        left -= n;
    }
    ASSERT_TRUE(out.good()) << path;
}

class EncodingsCommand : public ::testing::Test {
  protected:
    IsolatedEnvironment env;

    // Runs a shell command and returns its standard output, failing on a nonzero exit.
    std::string Output(const std::string& command) {
        std::string out;
        EXPECT_EQ(RunCommand(command, &out), 0) << command;
        return out;
    }
};

TEST_F(EncodingsCommand, Sha1MatchesSha1sum) {
    for (size_t size :
         {size_t{0}, size_t{55}, size_t{56}, size_t{64}, size_t{1} << 20, size_t{100} << 20}) {
        const std::string path = env / ("data" + std::to_string(size));
        WriteRandomFile(path, size);
        const std::string ours = Output(Ctl() + " sha1 " + Quote(path));
        const std::string theirs = Output("sha1sum " + Quote(path) + " | cut -c1-40");
        EXPECT_EQ(ours, theirs) << size << " bytes";
        EXPECT_TRUE(std::regex_match(ours, std::regex("[0-9a-f]{40}\n"))) << ours;
    }
}

TEST_F(EncodingsCommand, Sha1ReadsStandardInput) {
    EXPECT_EQ(Output("printf abc | " + Ctl() + " sha1"),
              "a9993e364706816aba3e25717850c26c9cd0d89d\n");
    EXPECT_EQ(Output("printf abc | " + Ctl() + " sha1 -"),
              "a9993e364706816aba3e25717850c26c9cd0d89d\n");
}

TEST_F(EncodingsCommand, Base64MatchesTheSystemTool) {
    for (size_t size : {0, 1, 2, 3, 4, 55, 56, 64, 1 << 20}) {
        const std::string path = env / ("data" + std::to_string(size));
        WriteRandomFile(path, size);
        const std::string encoded = Output(Ctl() + " b64 encode " + Quote(path));
        EXPECT_EQ(encoded, Output("base64 -w0 " + Quote(path))) << size << " bytes";
        EXPECT_EQ(encoded, Output(Ctl() + " b64 encode < " + Quote(path))) << size << " bytes";

        // The system tool's output has line breaks every 76 characters.
        const std::string decoded = env / "decoded";
        EXPECT_EQ(
            RunCommand("base64 " + Quote(path) + " | " + Ctl() + " b64 decode > " + Quote(decoded)),
            0);
        EXPECT_EQ(RunCommand("cmp -s " + Quote(path) + " " + Quote(decoded)), 0) << size;
    }
}

TEST_F(EncodingsCommand, Base64DecodesAPemCertificate) {
    const std::string pem = env / "cert.pem";
    const std::string der = env / "cert.der";
    const std::string key = env / "key.pem";
    ASSERT_EQ(RunCommand("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes "
                         "-subj /CN=encodings -days 2 -keyout " +
                         Quote(key) + " -out " + Quote(pem) + " 2>/dev/null"),
              0);
    ASSERT_EQ(RunCommand("openssl x509 -in " + Quote(pem) + " -outform DER -out " + Quote(der)), 0);
    EXPECT_EQ(Output(Ctl() + " b64 decode " + Quote(pem)), ReadFile(der));
    // CRLF line ends as a text copied from elsewhere brings them.
    EXPECT_EQ(Output("sed 's/$/\\r/' " + Quote(pem) + " | " + Ctl() + " b64 decode"),
              ReadFile(der));
}

TEST_F(EncodingsCommand, ExitStatusAndMessages) {
    const std::string missing = env / "missing";
    struct Case {
        std::string arguments;
        int status;
    } cases[] = {
        {"sha1 " + Quote(missing), 1},
        {"b64 encode " + Quote(missing), 1},
        {"b64 decode " + Quote(env.root()), 1},
        {"b64", 2},
        {"b64 encode a b", 2},
        {"sha1 a b", 2},
    };
    for (const auto& c : cases) {
        std::string out;
        std::string err;
        const std::string errPath = env / "stderr";
        EXPECT_EQ(RunCommand(Ctl() + " " + c.arguments + " 2>" + Quote(errPath), &out), c.status)
            << c.arguments;
        err = ReadFile(errPath);
        EXPECT_EQ(out, "") << c.arguments;
        if (c.status == 1) {
            EXPECT_TRUE(
                std::regex_match(err, std::regex("orxxctl: cannot read '[^\n]*': [^\n]+\n")))
                << err;
        } else {
            EXPECT_NE(err.find("usage"), std::string::npos) << err;
        }
    }
}

TEST_F(EncodingsCommand, TraceStartsWithTheDateLine) {
    const std::string trace = env / "trace.log";
    const std::string data = env / "input";
    WriteRandomFile(data, 10);
    Output(Ctl() + " --trace " + Quote(trace) + " sha1 " + Quote(data));
    const std::string text = ReadFile(trace);
    const std::string firstLine = text.substr(0, text.find('\n'));
    const std::regex pattern(
        R"(\[\d{4,}:\d{4,}\] \d\d\.\d\d\.\d\d\.\d{3} Trace - Date \d{4}-\d\d-\d\d \d\d:\d\d:\d\d, '(.*)')");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(firstLine, match, pattern)) << firstLine;
    EXPECT_EQ(match[1].str(), trace);
}

}  // namespace
}  // namespace orx
