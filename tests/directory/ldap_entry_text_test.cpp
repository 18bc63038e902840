// The one-line entry text: what fits its 256 bytes, and how values are joined.
#include <gtest/gtest.h>

#include <string>

#include "directory/ldap_client.h"
#include "directory/search_collector.h"
#include "directory/slapd_fixture.h"

namespace orx {
namespace {

struct TextCase {
    const char* name;
    std::string cn;
    std::string extraLines;
    std::string expected;
    std::string rdn;
};

TEST(LdapEntryText, KeepsWhatFitsTwoHundredFiftyFiveCharacters) {
    // "cn=Len A, sn=A" leaves room for a description of 227 characters:
    // 11 (name) + 14 (text) + 227 + 3 is the last sum below 256.
    const std::string fits(227, 'd');
    const std::string over(228, 'e');
    const std::string longCn = "Q " + std::string(249, 'q');  // 251: too long for "cn="
    const TextCase cases[] = {
        {"longest value that fits", "Len A", "description: " + fits + "\ntitle: T\n",
         "cn=Len A, sn=A, description=" + fits},
        {"value one too long is left out", "Len B", "description: " + over + "\ntitle: T\n",
         "cn=Len B, sn=B, title=T"},
        {"no separator before the first pair", longCn, "uid: long\n", "sn=" + std::string(249, 'q'),
         "uid=long"},
        {"every value of an attribute", "Multi C", "title: First\ntitle: Second\n",
         "cn=Multi C, sn=C, title=First, title=Second"},
        {"a NUL byte ends the value", "Nul D", "description:: YWIAY2Q=\n",
         "cn=Nul D, sn=D, description=ab"},
    };
    testing::SlapdServer server;
    ASSERT_TRUE(server.Start()) << server.error();
    const auto certificate = testing::MakeCertificate("/CN=Entry Text");
    ASSERT_FALSE(certificate.empty());
    std::string ldif;
    for (const TextCase& c : cases)
        ldif += server.PersonLdif({c.cn, "", {certificate}, c.rdn}, c.extraLines) + "\n";
    ASSERT_TRUE(server.Add(ldif)) << server.error();

    LdapConnection connection = LdapConnectUrl(server.url());
    ASSERT_NE(connection, nullptr);
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        testing::SearchCollector collector;
        const std::string filter = "(cn=" + c.cn + ")";
        EXPECT_EQ(LdapSearchCertificates(connection, testing::kSlapdBase, filter.c_str(),
                                         &testing::SearchCollector::Consume, &collector),
                  1);
        ASSERT_EQ(collector.values.size(), 1u);
        EXPECT_EQ(collector.values[0].entryText, c.expected);
        EXPECT_LT(collector.values[0].entryText.size(), kLdapEntryTextCapacity);
        EXPECT_EQ(collector.values[0].bytes, certificate);
    }
    LdapDisconnect(connection);
}

}  // namespace
}  // namespace orx
