#include "client/client_run.h"

#include <gtest/gtest.h>

#include "core/config_file.h"
#include "support/gui/help_links.h"
#include "support/gui/message_sink.h"
#include "support/test_environment.h"

namespace orx {
namespace {

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
