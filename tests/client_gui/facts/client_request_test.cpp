#include "client/client_request.h"

#include <gtest/gtest.h>

#include "support/test_environment.h"

namespace orx {
namespace {

TEST(ClientRequest, OptionsInTheirOrder) {
    testing::IsolatedEnvironment env;
    const std::string spaced = env / "with blank.txt";
    testing::WriteFile(spaced, "x");
    struct Case {
        std::string line;
        ClientTask task;
        std::string file;
    } cases[] = {
        {"-view /tmp/~orx001.cer", ClientTask::View, "/tmp/~orx001.cer"},
        {"-viewnodelete /var/log/orx.txt", ClientTask::ViewNoDelete, "/var/log/orx.txt"},
        {"-viewnodelete \"/a b/orx.txt\"", ClientTask::ViewNoDelete, "/a b/orx.txt"},
        // Split at its blank by the program that started this one.
        {"-viewnodelete " + spaced, ClientTask::ViewNoDelete, spaced},
        {"-view " + spaced, ClientTask::View, spaced},
        // A path that names no file keeps its first piece.
        {"-view /no such/file", ClientTask::View, "/no"},
        {"-help", ClientTask::Help, ""},
        {"-support", ClientTask::Support, ""},
        {"-help -support", ClientTask::Help, ""},
        {"", ClientTask::None, ""},
        {"-settings", ClientTask::None, ""},
        {"-view", ClientTask::View, ""},
    };
    for (const Case& c : cases) {
        const ClientRequest request = ParseClientRequest(c.line);
        EXPECT_EQ(request.task, c.task) << c.line;
        EXPECT_EQ(request.file, c.file) << c.line;
    }
}

}  // namespace
}  // namespace orx
