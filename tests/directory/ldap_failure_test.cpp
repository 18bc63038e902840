// How a search ends when the directory is broken or hostile: every failure ends
// the search within its limits, is told apart from "nothing found", and is named
// in the trace; the consumer always gets its end call.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "core/config_file.h"
#include "support/directory/ldap_binding.h"
#include "directory/hostile_ldap_server.h"
#include "directory/ldap_client.h"
#include "directory/ldap_library.h"
#include "directory/search_collector.h"
#include "directory/slapd_fixture.h"

namespace orx {
namespace {

using testing::HostileKind;
using testing::HostileLdapServer;
using testing::SearchCollector;
using Clock = std::chrono::steady_clock;

constexpr size_t kMiB = size_t{1} << 20;

class LdapFailure : public ::testing::Test {
  protected:
    void TearDown() override {
        ldap_testing::SetResultTimeout(0);
        EXPECT_EQ(ldap_testing::GetLibraryState().references, 0u);
    }

    // One search of a fresh connection to `url`.
    LdapSearchReport SearchAt(const std::string& url, const LdapSearchLimits& limits,
                              SearchCollector& collector,
                              const std::atomic<bool>* cancel = nullptr) {
        LdapConnection connection = LdapConnectUrl(url);
        EXPECT_NE(connection, nullptr) << url;
        const LdapSearchReport report = LdapRunSearch(
            connection, testing::kSlapdBase, "(cn=*)", kLdapScopeSubtree, kLdapCertificateAttribute,
            &SearchCollector::Consume, &collector, limits, cancel);
        LdapDisconnect(connection);
        return report;
    }

    std::string TraceText() const {
        std::string text;
        for (const std::string& line : trace_.Messages())
            text += line + "\n";
        return text;
    }

    testing::IsolatedEnvironment environment_;
    testing::TraceCapture trace_{environment_};
};

struct HostileCase {
    const char* name;
    HostileKind kind;
    size_t bytes;
    LdapSearchOutcome outcome;
    const char* traceLine;  // the line that says why
};

TEST_F(LdapFailure, EveryMisbehaviourEndsTheSearchWithItsKind) {
    const HostileCase cases[] = {
        {"silent", HostileKind::Silent, 0, LdapSearchOutcome::TimeOut,
         "Ldap - No answer within 1 seconds"},
        {"hang-up", HostileKind::Hangup, 0, LdapSearchOutcome::NoServer, "Ldap - Connection lost"},
        {"garbage", HostileKind::Garbage, 0, LdapSearchOutcome::ProtocolError,
         "Ldap - Answer is no LDAP message"},
        {"id of five bytes", HostileKind::LongMessageId, 0, LdapSearchOutcome::ProtocolError,
         "Ldap - Protocol error -4"},
        {"bind response", HostileKind::WrongAnswer, 0, LdapSearchOutcome::ProtocolError,
         "Ldap - Unexpected message 0x61"},
        {"2 GiB length", HostileKind::HugeLength, 0, LdapSearchOutcome::ProtocolError,
         "Ldap - Message larger than 16777216 bytes"},
        {"200 MB message", HostileKind::HugeMessage, 200 * 1000 * 1000,
         LdapSearchOutcome::ProtocolError, "Ldap - Message larger than 16777216 bytes"},
        {"100 MB value", HostileKind::HugeValue, 100 * 1000 * 1000,
         LdapSearchOutcome::ProtocolError, "Ldap - Message larger than 16777216 bytes"},
    };
    LdapSearchLimits limits;
    limits.messageWaitSeconds = 1;
    limits.deadlineSeconds = 20;
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.name);
        HostileLdapServer server({c.kind, c.bytes});
        ASSERT_NE(server.port(), 0);
        SearchCollector collector;
        const auto start = Clock::now();
        const LdapSearchReport report = SearchAt(server.url(), limits, collector);
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(report.outcome, c.outcome);
        EXPECT_EQ(report.count, 0);
        EXPECT_EQ(server.searches(), 1);
        EXPECT_TRUE(collector.values.empty());
        EXPECT_EQ(collector.endCalls, 1);
        EXPECT_TRUE(trace_.Contains(c.traceLine)) << TraceText();
        EXPECT_TRUE(
            trace_.Contains(std::string("Ldap - End of search: ") + LdapOutcomeText(c.outcome)));
        // A big message is refused by its header, long before it has arrived.
        if (c.bytes > 0) {
            EXPECT_LT(server.bytesSent(), c.bytes / 2);
        }
    }
}

TEST_F(LdapFailure, TrickledEntriesEndAtTheConfiguredDeadline) {
    ASSERT_EQ(ConfigWriteInt("Directory", "SearchTimeout", 2), kConfigOk);
    HostileLdapServer server({HostileKind::Trickle, 0, std::chrono::milliseconds(300),
                              testing::MakeCertificate("/CN=T")});
    LdapConnection connection = LdapConnectUrl(server.url());
    ASSERT_NE(connection, nullptr);
    SearchCollector collector;
    const auto start = Clock::now();
    // Every entry comes well within the wait for one message; only the deadline
    // of the whole search ends it.
    const int count = LdapSearchCertificates(connection, testing::kSlapdBase, "(cn=*)",
                                             &SearchCollector::Consume, &collector);
    const auto took = Clock::now() - start;
    LdapDisconnect(connection);
    EXPECT_GE(took, std::chrono::milliseconds(1900));
    EXPECT_LT(took, std::chrono::seconds(4));
    EXPECT_GE(count, 4);
    EXPECT_EQ(static_cast<int>(collector.values.size()), count);
    EXPECT_EQ(collector.endCalls, 1);
    EXPECT_TRUE(trace_.Contains("Ldap - Search deadline of 2 seconds passed"));
    EXPECT_TRUE(trace_.Contains("Ldap - End of search: time-out"));
    EXPECT_TRUE(trace_.Contains("Ldap - Found " + std::to_string(count) + " entries"));
}

TEST_F(LdapFailure, CancelEndsAWaitAtOnce) {
    HostileLdapServer server({HostileKind::Silent});
    std::atomic<bool> cancel{false};
    std::thread canceller([&cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cancel = true;
    });
    SearchCollector collector;
    const auto start = Clock::now();
    const LdapSearchReport report = SearchAt(server.url(), LdapSearchLimits{}, collector, &cancel);
    canceller.join();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(report.outcome, LdapSearchOutcome::Cancelled);
    EXPECT_EQ(collector.endCalls, 1);
    EXPECT_TRUE(trace_.Contains("Ldap - Search cancelled"));
}

TEST_F(LdapFailure, ARealServerWithinTheLimitsIsDoneAndOneBeyondThemIsNot) {
    ASSERT_TRUE(testing::SharedSlapd().running()) << testing::SharedSlapd().error();
    struct Case {
        size_t maxMessageBytes;
        const char* filter;
        LdapSearchOutcome outcome;
    };
    const Case cases[] = {
        {kLdapMaxMessageBytes, "(cn=*Jane*)", LdapSearchOutcome::Found},
        {kLdapMaxMessageBytes, "(cn=Nobody)", LdapSearchOutcome::NoResult},
        // Jane's entry with her certificate takes some hundred bytes.
        {64, "(cn=*Jane*)", LdapSearchOutcome::ProtocolError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maxMessageBytes);
        LdapSearchLimits limits;
        limits.maxMessageBytes = c.maxMessageBytes;
        LdapConnection connection = LdapConnectUrl(testing::SharedSlapd().url());
        ASSERT_NE(connection, nullptr);
        SearchCollector collector;
        const LdapSearchReport report =
            LdapRunSearch(connection, testing::kSlapdBase, c.filter, kLdapScopeSubtree,
                          kLdapCertificateAttribute, &SearchCollector::Consume, &collector, limits);
        LdapDisconnect(connection);
        EXPECT_EQ(report.outcome, c.outcome);
        EXPECT_EQ(report.count, c.outcome == LdapSearchOutcome::Found ? 1 : 0);
    }
}

TEST_F(LdapFailure, NoConnectionIsNoServerAndAnEmptyFilterNoResult) {
    SearchCollector collector;
    EXPECT_EQ(LdapRunSearch(nullptr, "", "(cn=*)", kLdapScopeSubtree, kLdapCertificateAttribute,
                            &SearchCollector::Consume, &collector, LdapSearchLimits{})
                  .outcome,
              LdapSearchOutcome::NoServer);
    EXPECT_EQ(LdapRunSearch(nullptr, "", "", kLdapScopeSubtree, kLdapCertificateAttribute,
                            &SearchCollector::Consume, &collector, LdapSearchLimits{})
                  .outcome,
              LdapSearchOutcome::NoResult);
    EXPECT_EQ(collector.endCalls, 2);
}

TEST_F(LdapFailure, ConfiguredLimitsFallBackToTheDefaults) {
    struct Case {
        const char* timeout;  // nullptr: not configured
        const char* size;
        int deadlineSeconds;
        size_t maxMessageBytes;
    };
    const Case cases[] = {
        {nullptr, nullptr, 300, 16 * kMiB},
        {"45", "1048576", 45, kMiB},
        {"0", "-5", 300, 16 * kMiB},
        {"abc", "", 300, 16 * kMiB},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.timeout != nullptr ? c.timeout : "none");
        ConfigDeleteKey("Directory", "SearchTimeout");
        ConfigDeleteKey("Directory", "MaxMessageSize");
        if (c.timeout != nullptr) {
            ASSERT_EQ(ConfigWriteString("Directory", "SearchTimeout", c.timeout), kConfigOk);
            ASSERT_EQ(ConfigWriteString("Directory", "MaxMessageSize", c.size), kConfigOk);
        }
        const LdapSearchLimits limits = LdapConfiguredLimits();
        EXPECT_EQ(limits.deadlineSeconds, c.deadlineSeconds);
        EXPECT_EQ(limits.maxMessageBytes, c.maxMessageBytes);
        EXPECT_EQ(limits.messageWaitSeconds, kLdapResultTimeoutSeconds);
    }
}

// A listener whose queue is full: the system drops further connection attempts
// without an answer, as a host behind a filtering firewall does.
TEST_F(LdapFailure, AHostThatSwallowsTheConnectionAttemptIsGivenUpAfterTheWait) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size), 0);
    std::vector<int> queued;
    for (int i = 0; i < 4; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        queued.push_back(fd);
    }
    ldap_testing::SetResultTimeout(1);
    const auto start = Clock::now();
    LdapConnection connection = LdapConnect("127.0.0.1", ntohs(address.sin_port));
    const auto took = Clock::now() - start;
    EXPECT_EQ(connection, nullptr);
    LdapDisconnect(connection);
    EXPECT_LT(took, std::chrono::seconds(3));
    for (int fd : queued)
        close(fd);
    close(listener);
}

}  // namespace
}  // namespace orx
