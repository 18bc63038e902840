// Binding, connecting and the reference count of the library.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "directory/ldap_client.h"
#include "directory/ldap_library.h"
#include "directory/search_collector.h"
#include "directory/slapd_fixture.h"
#include "support/directory/ldap_binding.h"

namespace orx {
namespace {

using ldap_testing::GetLibraryState;
using testing::SharedSlapd;

// A port on 127.0.0.1 that accepts connections (the kernel completes them) and
// never says a word.
class SilentServer {
  public:
    SilentServer() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
            listen(fd_, 4) == 0 &&
            getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
            port_ = ntohs(address.sin_port);
        }
    }
    ~SilentServer() {
        if (fd_ >= 0)
            close(fd_);
    }
    int port() const { return port_; }
    // Takes the waiting connection and closes it at once.
    void Hangup() {
        const int connection = accept(fd_, nullptr, nullptr);
        if (connection >= 0)
            close(connection);
    }

  private:
    int fd_ = -1;
    int port_ = 0;
};

// A port that nothing listens on.
int ClosedPort() {
    SilentServer taken;
    return taken.port();  // closed again when `taken` ends
}

class LdapBinding : public ::testing::Test {
  protected:
    void TearDown() override {
        ldap_testing::SetLibraryNames({});
        ldap_testing::SetResultTimeout(0);
        ASSERT_EQ(GetLibraryState().references, 0u) << "a test left a connection open";
    }

    testing::IsolatedEnvironment environment_;
    testing::TraceCapture trace_{environment_};
};

TEST_F(LdapBinding, LastDisconnectFreesTheLibraryAndTheNextConnectLoadsIt) {
    ASSERT_TRUE(SharedSlapd().running()) << SharedSlapd().error();
    EXPECT_FALSE(GetLibraryState().loaded);

    LdapConnection first = LdapConnectUrl(SharedSlapd().url());
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(GetLibraryState().loaded);
    EXPECT_EQ(GetLibraryState().references, 1u);
    EXPECT_EQ(GetLibraryState().boundEntryPoints, 13);

    LdapConnection second = LdapConnectUrl(SharedSlapd().url());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLibraryState().references, 2u);

    LdapDisconnect(first);
    EXPECT_TRUE(GetLibraryState().loaded);
    EXPECT_EQ(GetLibraryState().references, 1u);

    LdapDisconnect(second);
    EXPECT_FALSE(GetLibraryState().loaded);
    EXPECT_EQ(GetLibraryState().references, 0u);
    EXPECT_EQ(GetLibraryState().boundEntryPoints, 0);

    LdapConnection again = LdapConnectUrl(SharedSlapd().url());
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(GetLibraryState().loaded);
    EXPECT_EQ(GetLibraryState().references, 1u);
    testing::SearchCollector collector;
    EXPECT_EQ(LdapSearchCertificates(again, testing::kSlapdBase, "(cn=Ann Nomail)",
                                     &testing::SearchCollector::Consume, &collector),
              1);
    LdapDisconnect(again);
    EXPECT_FALSE(GetLibraryState().loaded);
    EXPECT_EQ(trace_.Count("Ldap - Failed"), 0);
}

TEST_F(LdapBinding, ServerThatIsNotThereGivesNoConnectionButKeepsTheReference) {
    const int port = ClosedPort();
    ASSERT_NE(port, 0);
    EXPECT_EQ(LdapConnect("127.0.0.1", port), nullptr);
    EXPECT_TRUE(trace_.Contains("Ldap - Failed to open 127.0.0.1:" + std::to_string(port)));
    EXPECT_TRUE(GetLibraryState().loaded);
    EXPECT_EQ(GetLibraryState().references, 1u);
    // The caller gives the reference back by disconnecting nothing.
    LdapDisconnect(nullptr);
    EXPECT_FALSE(GetLibraryState().loaded);
    EXPECT_EQ(trace_.Count("Ldap - Failed to close"), 0);
}

TEST_F(LdapBinding, LibraryThatCannotBeLoaded) {
    ldap_testing::SetLibraryNames({"libldap-not-installed.so.7"});
    EXPECT_EQ(LdapLoad(), 1);
    EXPECT_EQ(LdapConnect("127.0.0.1", 389), nullptr);
    EXPECT_FALSE(GetLibraryState().loaded);
    EXPECT_EQ(GetLibraryState().references, 0u);
    EXPECT_EQ(trace_.Count("Ldap - Failed to load ldap library"), 2);
    EXPECT_EQ(trace_.Count("Ldap - Failed to open"), 0);
    LdapDisconnect(nullptr);
    EXPECT_EQ(GetLibraryState().references, 0u);
}

TEST_F(LdapBinding, LibraryWithoutTheEntryPointsIsFreedAgain) {
    // Any library loads; the C library has none of the thirteen names.
    ldap_testing::SetLibraryNames({"libc.so.6"});
    EXPECT_EQ(LdapConnect("127.0.0.1", 389), nullptr);
    EXPECT_TRUE(trace_.Contains("Ldap - Failed to load all functions"));
    EXPECT_FALSE(GetLibraryState().loaded);
    EXPECT_EQ(GetLibraryState().references, 0u);
    EXPECT_EQ(GetLibraryState().boundEntryPoints, 0);
    EXPECT_EQ(trace_.Count("Ldap - Failed to open"), 0);
}

TEST_F(LdapBinding, LoadAndUnloadCountReferences) {
    EXPECT_EQ(LdapLoad(), 0);
    EXPECT_EQ(LdapLoad(), 0);
    EXPECT_EQ(GetLibraryState().references, 2u);
    LdapUnload();
    EXPECT_TRUE(GetLibraryState().loaded);
    LdapUnload();
    EXPECT_FALSE(GetLibraryState().loaded);
    // One unload too many changes nothing.
    LdapUnload();
    EXPECT_EQ(GetLibraryState().references, 0u);
}

TEST_F(LdapBinding, WrappersRefuseMissingConnectionOrEntryPoint) {
    // Library not loaded: every entry point is missing.
    EXPECT_EQ(LdapMsgFree(nullptr), kLdapOther);
    EXPECT_EQ(LdapValueFreeLen(nullptr), kLdapOther);
    EXPECT_EQ(LdapOpen("127.0.0.1", 389), nullptr);
    ASSERT_EQ(LdapLoad(), 0);
    // Library loaded, but no connection.
    EXPECT_EQ(LdapUnbind(nullptr), kLdapOther);
    EXPECT_EQ(LdapSearch(nullptr, "", 2, "(cn=*)", nullptr, 0), kLdapOther);
    LDAPMessage* message = nullptr;
    EXPECT_EQ(LdapResult(nullptr, 1, 0, nullptr, &message), kLdapOther);
    EXPECT_EQ(LdapCountEntries(nullptr, nullptr), kLdapOther);
    EXPECT_EQ(LdapFirstEntry(nullptr, nullptr), nullptr);
    EXPECT_EQ(LdapNextEntry(nullptr, nullptr), nullptr);
    BerElement* walk = nullptr;
    EXPECT_EQ(LdapFirstAttribute(nullptr, nullptr, &walk), nullptr);
    EXPECT_EQ(LdapNextAttribute(nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(LdapGetValuesLen(nullptr, nullptr, "cn"), nullptr);
    LdapUnload();
    // Refusals are not failures of the library: nothing is traced for them.
    EXPECT_EQ(trace_.Count("Ldap - "), 0);
}

TEST_F(LdapBinding, SilentServerEndsTheSearchAsDone) {
    SilentServer silent;
    ASSERT_NE(silent.port(), 0);
    ldap_testing::SetResultTimeout(1);
    LdapConnection connection = LdapConnect("127.0.0.1", silent.port());
    ASSERT_NE(connection, nullptr);
    testing::SearchCollector collector;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(LdapSearchCertificates(connection, testing::kSlapdBase, "(cn=*)",
                                     &testing::SearchCollector::Consume, &collector),
              0);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    EXPECT_LT(waited, std::chrono::seconds(10));
    EXPECT_EQ(collector.endCalls, 1);
    EXPECT_TRUE(trace_.Contains("Ldap - Found 0 entries"));
    EXPECT_EQ(trace_.Count("Ldap - Failed"), 0);
    LdapDisconnect(connection);
}

TEST_F(LdapBinding, ServerThatHangsUpEndsTheSearch) {
    SilentServer server;
    ASSERT_NE(server.port(), 0);
    LdapConnection connection = LdapConnect("127.0.0.1", server.port());
    ASSERT_NE(connection, nullptr);
    server.Hangup();
    testing::SearchCollector collector;
    EXPECT_EQ(LdapSearchCertificates(connection, testing::kSlapdBase, "(cn=*)",
                                     &testing::SearchCollector::Consume, &collector),
              0);
    EXPECT_EQ(collector.endCalls, 1);
    EXPECT_TRUE(trace_.Contains("Ldap - Failed to get result"));
    EXPECT_TRUE(trace_.Contains("Ldap - Found 0 entries"));
    LdapDisconnect(connection);
}

struct UrlCase {
    std::string url;
    std::string host;
    int port;
};

TEST(LdapUrl, HostAndPortAreReadLikeTheDirectoryRecordsWriteThem) {
    const UrlCase cases[] = {
        {"ldap://ldap.example.org:3268/dc=example,dc=org", "ldap.example.org", 3268},
        {"LDAP://ldap.example.org/dc=example,dc=org", "ldap.example.org", 389},
        {"LdAp://ldap.example.org", "ldap.example.org", 389},
        {"ldap.example.org", "ldap.example.org", 389},
        {"ldap.example.org:", "ldap.example.org", 0},
        {"ldap://ldap.example.org:12ab/x:99", "ldap.example.org", 12},
        {"ldap://", "", 389},
        {"ldaps://ldap.example.org", "ldaps", 0},  // no other scheme is known
        {"ldap://h:636/path:1/more", "h", 636},
        {"ldap:/", "ldap", 0},
        {"ldap://" + std::string(300, 'a'), std::string(259, 'a'), 389},
        {std::string(257, 'b') + ":123", std::string(257, 'b'), 1},
    };
    for (const UrlCase& c : cases) {
        SCOPED_TRACE(c.url);
        const LdapAddress address = ParseLdapUrl(c.url);
        EXPECT_EQ(address.host, c.host);
        EXPECT_EQ(address.port, c.port);
    }
}

TEST_F(LdapBinding, UrlFormsConnectToTheirHostAndPort) {
    ASSERT_TRUE(SharedSlapd().running()) << SharedSlapd().error();
    const std::string port = std::to_string(SharedSlapd().port());
    const UrlCase cases[] = {
        {"ldap://127.0.0.1:" + port + "/dc=ignored,dc=org", "127.0.0.1", SharedSlapd().port()},
        {"LDAP://127.0.0.1:" + port, "127.0.0.1", SharedSlapd().port()},
        {"127.0.0.1:" + port + "/", "127.0.0.1", SharedSlapd().port()},
    };
    for (const UrlCase& c : cases) {
        SCOPED_TRACE(c.url);
        LdapConnection connection = LdapConnectUrl(c.url);
        EXPECT_NE(connection, nullptr);
        EXPECT_TRUE(
            trace_.Contains("Ldap - Connected to " + c.host + ":" + std::to_string(c.port)));
        LdapDisconnect(connection);
    }
    // Nothing listens on the default port here; the trace names the port tried.
    for (const std::string url : {"LDAP://127.0.0.1/dc=example,dc=org", "127.0.0.1:"}) {
        SCOPED_TRACE(url);
        LdapConnection connection = LdapConnectUrl(url);
        EXPECT_EQ(connection, nullptr);
        LdapDisconnect(connection);
    }
    EXPECT_TRUE(trace_.Contains("Ldap - Failed to open 127.0.0.1:389"));
    EXPECT_TRUE(trace_.Contains("Ldap - Failed to open 127.0.0.1:0"));
}

}  // namespace
}  // namespace orx
