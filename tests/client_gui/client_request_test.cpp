#include "client/client_request.h"

#include <gtest/gtest.h>

#include "client/client_run.h"
#include "core/config_file.h"
#include "dialogs/link_opener.h"
#include "dialogs/message_sink.h"
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

TEST(ClientLinks, ConfiguredPagesOpenAndMissingOnesAreSaid) {
    struct Case {
        ClientTask task;
        const char* key;
        const char* missing;
    } cases[] = {
        {ClientTask::Help, "Help", "No help link is configured."},
        {ClientTask::Support, "Support", "No support link is configured."},
    };
    for (const Case& c : cases) {
        testing::IsolatedEnvironment env;
        link_testing::ScopedLinkRecorder links;
        message_testing::ScopedMessageSink messages;
        EXPECT_EQ(OpenClientLink(c.task), kClientFailed);
        ASSERT_EQ(messages.Messages().size(), 1u);
        EXPECT_EQ(messages.Messages()[0].text, c.missing);
        EXPECT_EQ(messages.Messages()[0].caption, "Message - Orvex");
        EXPECT_TRUE(messages.Messages()[0].link.empty());
        EXPECT_TRUE(links.Opened().empty());

        // The installation-wide value counts when the user has none.
        testing::WriteFile(
            env.installFolder() + "orx.cfg",
            std::string("[Links]\n") + c.key + "=https://install.example/" + c.key + "\n");
        EXPECT_EQ(OpenClientLink(c.task), kClientOk);
        ASSERT_EQ(ConfigWriteString("Links", c.key, "https://user.example/page"), kConfigOk);
        EXPECT_EQ(OpenClientLink(c.task), kClientOk);
        EXPECT_EQ(links.Opened(),
                  (std::vector<std::string>{std::string("https://install.example/") + c.key,
                                            "https://user.example/page"}));
        EXPECT_EQ(messages.Messages().size(), 1u);
    }
}

}  // namespace
}  // namespace orx
