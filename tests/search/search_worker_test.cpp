// The search worker on its own thread against a real slapd, a silent server and
// the fake plug-in module: what it reports, that its end is always its last word,
// and that cancel and its owner's end stop it at once.
#include "search/search_worker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "core/base64.h"
#include "directory/hostile_ldap_server.h"
#include "directory/ldap_client.h"
#include "directory/slapd_fixture.h"
#include "fake_plugin_fixture.h"
#include "search/search_filter.h"
#include "search_test_support.h"
#include "token/plugin_binding.h"
#include "token/token_application.h"

namespace orx {
namespace {

using testing::EventRecorder;
using testing::PersonCertificate;
using Clock = std::chrono::steady_clock;

constexpr const char* kBase = "ou=search,dc=example,dc=org";

const testing::Bytes& WandaCertificate() {
    static const testing::Bytes der = PersonCertificate("Wanda Worker", "wanda@example.org", 101);
    return der;
}

// The shared server, with the people of these tests under their own branch.
testing::SlapdServer& Directory() {
    testing::SlapdServer& server = testing::SharedSlapd();
    static const bool added = [&server] {
        std::string ldif =
            "dn: ou=search,dc=example,dc=org\nobjectClass: organizationalUnit\n"
            "ou: search\n\n";
        ldif += server.PersonLdif({"Wanda Worker",
                                   "wanda@example.org",
                                   {WandaCertificate()},
                                   "cn=Wanda Worker,ou=search"},
                                  "description: SER-1\n") +
                "\n";
        ldif += server.PersonLdif({"Walter Worker",
                                   "walter@example.org",
                                   {PersonCertificate("Walter Worker", "walter@example.org", 102)},
                                   "cn=Walter Worker,ou=search"}) +
                "\n";
        ldif += server.PersonLdif(
            {"Eve Worker",
             "eve@example.org",
             {PersonCertificate("Eve Worker", "eve@example.org", 103, "200102000000Z")},
             "cn=Eve Worker,ou=search"});
        return server.running() && server.Add(ldif);
    }();
    EXPECT_TRUE(added) << server.error();
    return server;
}

// Sorted: the directory answers in an order of its own.
std::vector<std::string> Names(const EventRecorder& events) {
    std::vector<std::string> names;
    for (const FoundRow& row : events.Listed())
        names.push_back(row.name);
    std::sort(names.begin(), names.end());
    return names;
}

class SearchWorkerTest : public ::testing::Test {
  protected:
    // Runs one search to its end.
    void Run(SearchRequest request, EventRecorder& events,
             TokenApplication* application = nullptr) {
        SearchWorker worker(application, events, std::move(request));
        ASSERT_TRUE(worker.Start());
        ASSERT_TRUE(events.WaitForEnd());
        worker.Join();
        EXPECT_TRUE(worker.HasEnded());
        const auto all = events.Events();
        ASSERT_FALSE(all.empty());
        EXPECT_EQ(all.back().kind, EventRecorder::Event::Ended);
        EXPECT_EQ(events.Ended(), 1);
    }

    SearchRequest Request(const std::string& filter, bool simple, int maxFound = kDefaultMaxFound) {
        SearchRequest request;
        request.url = Directory().url();
        request.base = kBase;
        request.filter = filter;
        request.simple = simple;
        request.maxFound = maxFound;
        return request;
    }

    int TraceCount(const std::string& message) const {
        const std::string text = trace_.Text();
        int count = 0;
        for (size_t at = text.find(message); at != std::string::npos;
             at = text.find(message, at + 1))
            ++count;
        return count;
    }

    // The test's own folders, with the trace switched on into one of them.
    testing::TraceCapture trace_;
};

struct PlainCase {
    const char* what;
    std::string filter;
    bool simple;
    int maxFound;
    std::vector<std::string> names;
};

TEST_F(SearchWorkerTest, PlainSearchesListWhatTheLogicKeeps) {
    ASSERT_TRUE(Directory().running()) << Directory().error();
    const PlainCase cases[] = {
        {"simple: valid certificates only",
         BuildSimpleFilter("Worker", ""),
         true,
         100,
         {"Walter Worker", "Wanda Worker"}},
        {"advanced: the filter as typed",
         "(cn=*Worker*)",
         false,
         100,
         {"Eve Worker", "Walter Worker", "Wanda Worker"}},
        {"nothing matches", BuildSimpleFilter("Nobody", ""), true, 100, {}},
        {"nothing asked", BuildSimpleFilter("", ""), true, 100, {}},
    };
    for (const PlainCase& c : cases) {
        SCOPED_TRACE(c.what);
        EventRecorder events;
        Run(Request(c.filter, c.simple, c.maxFound), events);
        EXPECT_EQ(Names(events), c.names);
    }
    EventRecorder two;
    Run(Request("(cn=*Worker*)", false, 2), two);
    EXPECT_EQ(two.Listed().size(), 2u);
    // The most to list ended the directory search itself, after the second entry.
    EXPECT_TRUE(trace_.Has("Ldap - Found 2 entries"));
}

TEST_F(SearchWorkerTest, NoServerEndsWithNothingListed) {
    EventRecorder events;
    SearchRequest request = Request("(cn=*)", true);
    request.url = "ldap://127.0.0.1:1";
    Run(std::move(request), events);
    EXPECT_TRUE(events.Listed().empty());
    EXPECT_EQ(TraceCount("Ldap - Search filter"), 0);
}

class SearchWorkerTemplateTest : public SearchWorkerTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Directory().running()) << Directory().error();
        // Two certificates on the user's tokens, both on a card whose serial number
        // the directory knows.
        fake_.AnswerEnum("Certificate", 0, "5;a;b;c;" + Base64Encode(WandaCertificate()));
        fake_.AnswerEnum("Certificate", 1,
                         "5;a;b;c;" + Base64Encode(PersonCertificate("Me", "me@x", 7)));
        fake_.AnswerGet("TokenInfo", "Card;4.2;SER-1");
        ASSERT_EQ(application_.Initialize(0, 0, 0, 0), kPluginOk);
    }

    testing::FakePluginFolder fake_{trace_.env()};
    TokenApplication application_;
};

TEST_F(SearchWorkerTemplateTest, RunsOneSearchPerCertificateAndEndsOnce) {
    EventRecorder events;
    Run(Request("(&(cn=*Worker*)(description=<cardserialnumber>))", false), events, &application_);
    EXPECT_EQ(TraceCount("Ldap - Search filter: '(&(cn=*Worker*)(description=SER-1))'"), 2);
    // Both searches find Wanda's one certificate: it is listed once.
    EXPECT_EQ(Names(events), std::vector<std::string>{"Wanda Worker"});
}

TEST_F(SearchWorkerTemplateTest, UnknownPlaceholderOrNoTokensRunNoSearch) {
    {
        EventRecorder events;
        Run(Request("(description=<serialnumber>)", false), events, &application_);
        EXPECT_TRUE(events.Listed().empty());
    }
    {
        EventRecorder events;
        Run(Request("(description=<cardserialnumber>)", false), events, nullptr);
        EXPECT_TRUE(events.Listed().empty());
    }
    EXPECT_EQ(TraceCount("Ldap - Search filter"), 0);
}

// Cancel and the owner's end come from the window's thread while the worker waits
// for a server that never answers.
class SearchWorkerConcurrency : public ::testing::Test {
  protected:
    SearchRequest SilentRequest() {
        SearchRequest request;
        request.url = silent_.url();
        request.base = kBase;
        request.filter = "(cn=*)";
        return request;
    }

    testing::IsolatedEnvironment environment_;
    testing::HostileLdapServer silent_{{testing::HostileKind::Silent}};
};

TEST_F(SearchWorkerConcurrency, CancelEndsAWaitingSearchAtOnce) {
    EventRecorder events;
    SearchWorker worker(nullptr, events, SilentRequest());
    ASSERT_TRUE(worker.Start());
    while (silent_.searches() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(worker.HasEnded());
    const auto start = Clock::now();
    worker.Cancel();
    EXPECT_TRUE(events.WaitForEnd(std::chrono::seconds(2)));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    worker.Join();
    EXPECT_TRUE(worker.HasEnded());
    EXPECT_TRUE(worker.Cancelled());
    EXPECT_EQ(events.Ended(), 1);
}

TEST_F(SearchWorkerConcurrency, AnOwnerThatEndsWaitsForItsWorker) {
    EventRecorder events;
    const auto start = Clock::now();
    {
        SearchWorker worker(nullptr, events, SilentRequest());
        ASSERT_TRUE(worker.Start());
        while (silent_.searches() == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    // The worker had finished, end signal included, before its owner was gone.
    EXPECT_EQ(events.Ended(), 1);
}

}  // namespace
}  // namespace orx
