// What the worker decides for each certificate a directory sends: which are listed,
// which of two with one e-mail address stays, what is counted, when to stop.
#include "search/search_logic.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "der/cert_inspection.h"
#include "der/cert_store.h"
#include "search_test_support.h"
#include "support/test_environment.h"

namespace orx {
namespace {

using testing::Bytes;
using testing::EventRecorder;
using testing::PersonCertificate;

constexpr const char* kExpired = "200102000000Z";

int Offer(SearchLogic& logic, const std::string& entryText, const Bytes& der) {
    return logic.OnFound(entryText.c_str(), der.data(), der.size());
}

struct ListCase {
    const char* what;
    std::string entryText;
    Bytes der;
    bool simple;
    const char* name;  // nullptr: not listed
    const char* email;
};

TEST(SearchLogic, ListsCertificatesWithANameInTheEntryAndAnAddress) {
    testing::IsolatedEnvironment environment;
    const Bytes jane = PersonCertificate("Jane Doe", "jane@example.org", 1);
    const ListCase cases[] = {
        {"name and address", "cn=Jane Doe, mail=jane@example.org, sn=Doe", jane, true, "Jane Doe",
         "jane@example.org"},
        {"keys in upper case", "SN=Doe, CN=Jane, MAIL=x", jane, true, "Jane", "jane@example.org"},
        {"no cn in the entry", "sn=Doe, mail=jane@example.org", jane, true, nullptr, nullptr},
        {"no mail in the entry", "cn=Jane Doe, sn=Doe", jane, true, nullptr, nullptr},
        {"no address in the certificate", "cn=Jane Doe, mail=jane@example.org",
         PersonCertificate("Jane Doe", "", 2), true, nullptr, nullptr},
        {"no certificate", "cn=Jane Doe, mail=jane@example.org",
         Bytes{0x30, 0x03, 0x02, 0x01, 0x01}, true, nullptr, nullptr},
        {"expired, simple search", "cn=Old, mail=old@example.org",
         PersonCertificate("Old", "old@example.org", 3, kExpired), true, nullptr, nullptr},
        {"expired, advanced search", "cn=Old, mail=old@example.org",
         PersonCertificate("Old", "old@example.org", 3, kExpired), false, "Old", "old@example.org"},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.what);
        EventRecorder events;
        SearchLogic logic(events, kDefaultMaxFound, c.simple);
        // A skipped certificate never stops the search.
        EXPECT_EQ(Offer(logic, c.entryText, c.der), 1);
        const auto listed = events.Listed();
        if (c.name == nullptr) {
            EXPECT_TRUE(listed.empty());
            EXPECT_EQ(logic.Found(), 0);
            continue;
        }
        ASSERT_EQ(listed.size(), 1u);
        EXPECT_EQ(listed[0].name, c.name);
        EXPECT_EQ(listed[0].email, c.email);
        EXPECT_EQ(listed[0].found, 1);
        ASSERT_TRUE(listed[0].certificate);
        DerBytes data;
        ASSERT_TRUE(CertGetData(listed[0].certificate.get(), &data));
        EXPECT_EQ(Bytes(data.begin(), data.end()), c.der);
    }
}

TEST(SearchLogic, StopsWhenTheCountReachesMaxFoundAndOnlyThen) {
    testing::IsolatedEnvironment environment;
    EventRecorder events;
    SearchLogic logic(events, 3, true);
    std::vector<int> answers;
    for (int i = 1; i <= 5; ++i) {
        const std::string mail = "p" + std::to_string(i) + "@example.org";
        answers.push_back(Offer(logic, "cn=P" + std::to_string(i) + ", mail=" + mail,
                                PersonCertificate("P" + std::to_string(i), mail, i)));
    }
    // A template search goes on with its next certificate after the stop; a count
    // beyond the most stops nothing more.
    EXPECT_EQ(answers, (std::vector<int>{1, 1, 0, 1, 1}));
    EXPECT_EQ(logic.Found(), 5);
    const auto listed = events.Listed();
    ASSERT_EQ(listed.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(listed[static_cast<size_t>(i)].found, i + 1);
}

struct Offered {
    const char* email;
    const char* notAfter;
};

struct DuplicateCase {
    const char* what;
    std::vector<Offered> offers;
    std::vector<size_t> listed;  // which offers stay listed, in list order
    int found;
};

TEST(SearchLogic, OneRowPerAddressKeepsTheLaterNotAfter) {
    testing::IsolatedEnvironment environment;
    const DuplicateCase cases[] = {
        {"later comes second", {{"a@x", "300101000000Z"}, {"a@x", "400101000000Z"}}, {1}, 1},
        {"later comes first", {{"a@x", "400101000000Z"}, {"a@x", "300101000000Z"}}, {0}, 1},
        {"equal: the newer stays", {{"a@x", "300101000000Z"}, {"a@x", "300101000000Z"}}, {1}, 1},
        {"letter case of the address",
         {{"A@X", "300101000000Z"}, {"a@x", "400101000000Z"}},
         {1},
         1},
        {"two-digit year before four-digit year",
         {{"a@x", "20510101000000Z"}, {"a@x", "491231235959Z"}},
         {0},
         1},
        {"four-digit year after two-digit year",
         {{"a@x", "491231235959Z"}, {"a@x", "20510101000000Z"}},
         {1},
         1},
        {"other addresses stay",
         {{"a@x", "300101000000Z"}, {"b@x", "300101000000Z"}, {"a@x", "400101000000Z"}},
         {1, 2},
         2},
    };
    for (const DuplicateCase& c : cases) {
        SCOPED_TRACE(c.what);
        EventRecorder events;
        SearchLogic logic(events, kDefaultMaxFound, false);
        std::vector<Bytes> ders;
        for (size_t i = 0; i < c.offers.size(); ++i) {
            ders.push_back(PersonCertificate("Person", c.offers[i].email, static_cast<int>(i) + 1,
                                             c.offers[i].notAfter));
            EXPECT_EQ(
                Offer(logic, std::string("cn=Person, mail=") + c.offers[i].email, ders.back()), 1);
        }
        std::vector<Bytes> expected;
        for (size_t index : c.listed)
            expected.push_back(ders[index]);
        std::vector<Bytes> listed;
        for (const FoundRow& row : events.Listed()) {
            DerBytes data;
            CertGetData(row.certificate.get(), &data);
            listed.emplace_back(data.begin(), data.end());
        }
        EXPECT_EQ(listed, expected);
        EXPECT_EQ(logic.Found(), c.found);
    }
}

TEST(SearchLogic, DuplicatesDoNotCountTowardsTheMost) {
    testing::IsolatedEnvironment environment;
    EventRecorder events;
    SearchLogic logic(events, 2, false);
    EXPECT_EQ(Offer(logic, "cn=A, mail=a", PersonCertificate("A", "a@x", 1, "300101000000Z")), 1);
    EXPECT_EQ(Offer(logic, "cn=A, mail=a", PersonCertificate("A", "a@x", 2, "400101000000Z")), 1);
    EXPECT_EQ(Offer(logic, "cn=B, mail=b", PersonCertificate("B", "b@x", 3)), 0);
    EXPECT_EQ(logic.Found(), 2);
    const auto kinds = events.Events();
    ASSERT_EQ(kinds.size(), 4u);
    EXPECT_EQ(kinds[1].kind, EventRecorder::Event::Removed);
    EXPECT_EQ(kinds[1].row.id, kinds[0].row.id);
}

TEST(SearchLogic, CancelAnswersStopAndListsNothingMore) {
    testing::IsolatedEnvironment environment;
    EventRecorder events;
    SearchLogic logic(events, kDefaultMaxFound, true);
    EXPECT_EQ(Offer(logic, "cn=A, mail=a", PersonCertificate("A", "a@x", 1)), 1);
    logic.Cancel();
    EXPECT_TRUE(logic.CancelFlag()->load());
    EXPECT_EQ(Offer(logic, "cn=B, mail=b", PersonCertificate("B", "b@x", 2)), 0);
    EXPECT_EQ(events.Listed().size(), 1u);
    EXPECT_EQ(logic.Found(), 1);
}

TEST(SearchLogic, OnlyFinishEndsTheSearch) {
    EventRecorder events;
    SearchLogic logic(events, kDefaultMaxFound, true);
    // The end call of one directory search of a template search.
    EXPECT_EQ(SearchLogic::Consume(&logic, nullptr, nullptr, 0), 0);
    EXPECT_EQ(events.Ended(), 0);
    logic.Finish();
    logic.Finish();
    EXPECT_EQ(events.Ended(), 1);
    EXPECT_TRUE(events.Listed().empty());
}

TEST(SearchLogic, InstalledColumnNamesTheStoreThatHoldsTheCertificate) {
    testing::IsolatedEnvironment environment;
    const Bytes mine = PersonCertificate("Me", "me@x", 1);
    const Bytes known = PersonCertificate("Known", "known@x", 2);
    const Bytes both = PersonCertificate("Both", "both@x", 3);
    const Bytes stranger = PersonCertificate("Stranger", "stranger@x", 4);
    ASSERT_TRUE(OpenUserStore("MY")->Add(mine));
    ASSERT_TRUE(OpenUserStore("MY")->Add(both));
    ASSERT_TRUE(OpenUserStore("AddressBook")->Add(known));
    ASSERT_TRUE(OpenUserStore("AddressBook")->Add(both));
    EventRecorder events;
    SearchLogic logic(events, kDefaultMaxFound, true);
    for (const Bytes* der : {&mine, &known, &both, &stranger})
        Offer(logic, "cn=X, mail=x", *der);
    std::vector<int> texts;
    for (const FoundRow& row : events.Listed())
        texts.push_back(row.installedText);
    EXPECT_EQ(texts, (std::vector<int>{kTextPrivate, kTextOtherPeople, kTextPrivate, 0}));
}

TEST(SearchLogic, EntryCommonNameAndNotAfterKey) {
    const std::pair<const char*, std::string> names[] = {
        {"cn=Jane Doe, mail=x", "Jane Doe"},
        {"mail=x, CN=Bob", "Bob"},
        {"cn=", ""},
        {"sn=Doe", ""},
    };
    for (const auto& [text, name] : names)
        EXPECT_EQ(EntryCommonName(text), name) << text;
    EXPECT_EQ(EntryCommonName("cn=" + std::string(300, 'x')).size(), kFoundNameCapacity - 1);

    const std::pair<const char*, const char*> times[] = {
        {"491231235959Z", "20491231235959Z"},
        {"500101000000Z", "19500101000000Z"},
        {"20510101000000Z", "20510101000000Z"},
        {"", ""},
        {"garbage", "garbage"},
    };
    for (const auto& [stored, key] : times)
        EXPECT_EQ(NotAfterKey(stored), key) << stored;
}

// Cancel comes from the window's thread while the worker's thread offers entries.
TEST(SearchLogicConcurrency, CancelFromAnotherThreadStopsTheOffers) {
    testing::IsolatedEnvironment environment;
    EventRecorder events;
    SearchLogic logic(events, 1000000, false);
    std::atomic<bool> stopped{false};
    std::atomic<int> offered{0};
    std::thread worker([&] {
        for (int i = 1; i < 100000 && !stopped; ++i) {
            const std::string mail = "p" + std::to_string(i) + "@x";
            if (Offer(logic, "cn=P, mail=" + mail, PersonCertificate("P", mail, i)) == 0)
                stopped = true;
            ++offered;
        }
    });
    while (offered < 20)
        std::this_thread::yield();
    logic.Cancel();
    worker.join();
    EXPECT_TRUE(stopped);
    EXPECT_LT(logic.Found(), 100000 - 1);
    EXPECT_EQ(static_cast<int>(events.Listed().size()), logic.Found());
}

}  // namespace
}  // namespace orx
