// Searches against a real slapd: what the consumer gets, in which order, and when
// the search stops.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "directory/ldap_client.h"
#include "directory/search_collector.h"
#include "directory/slapd_fixture.h"

namespace orx {
namespace {

using testing::SearchCollector;
using testing::SharedSlapd;
using testing::StandardPeople;

const testing::DirectoryPerson& Person(const std::string& cn) {
    for (const auto& person : StandardPeople()) {
        if (person.cn == cn)
            return person;
    }
    ADD_FAILURE() << "no standard person " << cn;
    return StandardPeople().front();
}

class LdapSearch : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SharedSlapd().running()) << SharedSlapd().error();
        connection_ = LdapConnectUrl(SharedSlapd().url());
        ASSERT_NE(connection_, nullptr);
    }
    void TearDown() override { LdapDisconnect(connection_); }

    int Search(const std::string& filter, SearchCollector& collector) {
        return LdapSearchCertificates(connection_, testing::kSlapdBase, filter.c_str(),
                                      &SearchCollector::Consume, &collector);
    }

    testing::IsolatedEnvironment environment_;
    testing::TraceCapture trace_{environment_};
    LdapConnection connection_ = nullptr;
};

struct EntryCase {
    const char* filter;
    const char* person;
    const char* entryText;
};

TEST_F(LdapSearch, EntryTextFollowsTheServersAttributeOrder) {
    const EntryCase cases[] = {
        {"(cn=*Jane*)", "Jane Doe", "cn=Jane Doe, mail=jane@example.org, sn=Doe"},
        {"(cn=Ann*)", "Ann Nomail", "cn=Ann Nomail, sn=Nomail"},
        {"(mail=joerg@example.org)",
         "J\xC3\xB6rg M\xC3\xBC"
         "ller",
         "cn=J\xC3\xB6rg M\xC3\xBCller, mail=joerg@example.org, sn=M\xC3\xBCller"},
    };
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(c.filter);
        SearchCollector collector;
        EXPECT_EQ(Search(c.filter, collector), 1);
        ASSERT_EQ(collector.values.size(), 1u);
        EXPECT_EQ(collector.values[0].entryText, c.entryText);
        EXPECT_EQ(collector.values[0].bytes, Person(c.person).certificates[0]);
        EXPECT_EQ(collector.endCalls, 1);
        EXPECT_FALSE(collector.valueAfterEnd);
    }
}

TEST_F(LdapSearch, TracesBaseFilterAndCount) {
    SearchCollector collector;
    Search("(cn=*Jane*)", collector);
    const std::vector<std::string> expected = {"Ldap - Search base:   'dc=example,dc=org'",
                                               "Ldap - Search filter: '(cn=*Jane*)'",
                                               "Ldap - Found 1 entries"};
    std::vector<std::string> messages = trace_.Messages();
    std::erase_if(messages, [](const std::string& m) {
        return m.rfind("Ldap - Search", 0) != 0 && m.rfind("Ldap - Found", 0) != 0;
    });
    EXPECT_EQ(messages, expected);
}

TEST_F(LdapSearch, TwoValuesOfOneEntryShareItsText) {
    SearchCollector collector;
    EXPECT_EQ(Search("(cn=John Twocerts)", collector), 2);
    ASSERT_EQ(collector.values.size(), 2u);
    const auto& certificates = Person("John Twocerts").certificates;
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(collector.values[i].entryText,
                  "cn=John Twocerts, mail=john@example.org, sn=Twocerts");
        EXPECT_EQ(collector.values[i].bytes, certificates[i]);
    }
    EXPECT_TRUE(trace_.Contains("Ldap - Found 2 entries"));
}

TEST_F(LdapSearch, EntriesWithoutTheAttributeDeliverNothing) {
    SearchCollector collector;
    EXPECT_EQ(Search("(cn=Carl Nocert)", collector), 0);
    EXPECT_TRUE(collector.values.empty());
    EXPECT_EQ(collector.endCalls, 1);
    EXPECT_TRUE(trace_.Contains("Ldap - Found 0 entries"));
}

TEST_F(LdapSearch, WholeDirectoryDeliversEveryCertificateInEntryOrder) {
    SearchCollector collector;
    std::vector<std::vector<uint8_t>> expected;
    for (const auto& person : StandardPeople())
        expected.insert(expected.end(), person.certificates.begin(), person.certificates.end());
    EXPECT_EQ(Search("(objectClass=*)", collector), static_cast<int>(expected.size()));
    std::vector<std::vector<uint8_t>> delivered;
    for (const auto& value : collector.values)
        delivered.push_back(value.bytes);
    EXPECT_EQ(delivered, expected);
}

TEST_F(LdapSearch, OtherAttributesAreDeliveredByName) {
    // The wanted attribute is matched without regard to case, and the entry text
    // still leaves out only objectClass and binary attributes.
    SearchCollector collector;
    EXPECT_EQ(LdapSearchValues(connection_, testing::kSlapdBase, "(cn=John Twocerts)",
                               kLdapScopeSubtree, "MAIL", &SearchCollector::Consume, &collector),
              1);
    ASSERT_EQ(collector.values.size(), 1u);
    const std::string mail = "john@example.org";
    EXPECT_EQ(collector.values[0].bytes, std::vector<uint8_t>(mail.begin(), mail.end()));
}

struct StopCase {
    const char* name;
    std::vector<int> answers;
    int expectedCount;
};

TEST_F(LdapSearch, ConsumerAnswerForTheEntrysLastValueDecides) {
    // Entries come in the order they were added: John (two values), then Ann.
    const StopCase cases[] = {
        {"continue throughout", {1, 1, 1}, 3},
        {"stop on the first of two values", {0, 1, 1}, 3},
        {"stop on the second of two values", {1, 0, 1}, 2},
        {"stop on both", {0, 0, 1}, 2},
        {"stop after the last entry", {1, 1, 0}, 3},
    };
    for (const StopCase& c : cases) {
        SCOPED_TRACE(c.name);
        SearchCollector collector;
        collector.answers = c.answers;
        EXPECT_EQ(Search("(|(cn=John Twocerts)(cn=Ann Nomail))", collector), c.expectedCount);
        EXPECT_EQ(static_cast<int>(collector.values.size()), c.expectedCount);
        EXPECT_EQ(collector.endCalls, 1);
    }
}

TEST_F(LdapSearch, StopEndsTheSearchAndTheConnectionStaysUsable) {
    SearchCollector first;
    first.answers = {0};
    EXPECT_EQ(Search("(objectClass=*)", first), 1);
    EXPECT_TRUE(trace_.Contains("Ldap - Found 1 entries"));
    // The abandoned search's remaining answers do not leak into the next one.
    SearchCollector second;
    EXPECT_EQ(Search("(cn=Ann Nomail)", second), 1);
    ASSERT_EQ(second.values.size(), 1u);
    EXPECT_EQ(second.values[0].entryText, "cn=Ann Nomail, sn=Nomail");
}

TEST_F(LdapSearch, EmptyFilterRunsNoSearch) {
    for (LdapConnection connection : {connection_, static_cast<LdapConnection>(nullptr)}) {
        SearchCollector collector;
        EXPECT_EQ(LdapSearchCertificates(connection, testing::kSlapdBase, "",
                                         &SearchCollector::Consume, &collector),
                  0);
        EXPECT_TRUE(collector.values.empty());
        EXPECT_EQ(collector.endCalls, 1);
    }
    EXPECT_EQ(trace_.Count("Ldap - Search"), 0);
    EXPECT_EQ(trace_.Count("Ldap - Found 0 entries"), 2);
}

TEST_F(LdapSearch, NoConnectionRunsNoSearch) {
    SearchCollector collector;
    EXPECT_EQ(LdapSearchCertificates(nullptr, testing::kSlapdBase, "(cn=*)",
                                     &SearchCollector::Consume, &collector),
              0);
    EXPECT_EQ(collector.endCalls, 1);
    EXPECT_EQ(trace_.Count("Ldap - Search"), 0);
}

TEST_F(LdapSearch, BadFilterEndsTheSearch) {
    SearchCollector collector;
    EXPECT_EQ(Search("(cn=Jane", collector), 0);
    EXPECT_EQ(collector.endCalls, 1);
    EXPECT_TRUE(trace_.Contains("Ldap - Failed to search"));
    EXPECT_TRUE(trace_.Contains("Ldap - Found 0 entries"));
}

TEST_F(LdapSearch, MissingBaseEndsTheSearchLikeDone) {
    SearchCollector collector;
    EXPECT_EQ(LdapSearchCertificates(connection_, "dc=nowhere,dc=org", "(cn=*)",
                                     &SearchCollector::Consume, &collector),
              0);
    EXPECT_EQ(collector.endCalls, 1);
    EXPECT_TRUE(trace_.Contains("Ldap - Found 0 entries"));
}

}  // namespace
}  // namespace orx
