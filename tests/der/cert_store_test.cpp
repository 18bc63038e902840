#include "der/cert_store.h"

#include <gtest/gtest.h>

#include "cert_test_support.h"
#include "core/file_helpers.h"

namespace orx {
namespace {

using namespace orx::testing;

Bytes Certificate(const Bytes& serial, std::string_view cn,
                  std::string_view notAfter = "491231235959Z") {
    CertParts parts;
    parts.serial = serial;
    parts.subject = CommonName(cn);
    parts.notAfter = notAfter;
    return MakeCertificate(parts);
}

class CertStoreTest : public ::testing::Test {
  protected:
    IsolatedEnvironment env_;
};

TEST_F(CertStoreTest, FoldersUnderTheUserDataFolder) {
    const std::optional<CertStore> store = OpenUserStore("AddressBook");
    ASSERT_TRUE(store);
    EXPECT_EQ(store->folder(), env_ / "data/orx/stores/AddressBook/");
    EXPECT_TRUE(OpenUserStore("MY"));
    for (const char* bad : {"", ".", "..", "a/b", "../MY"})
        EXPECT_FALSE(OpenUserStore(bad)) << bad;
}

TEST_F(CertStoreTest, LookUpByIssuerAndSerialNumber) {
    const Bytes jane = Certificate(Hex("02 02 12 34"), "Jane");
    // Same issuer and serial number, another subject: the same certificate to a store.
    const Bytes reissued = Certificate(Hex("02 02 12 34"), "Jane Doe", "501231235959Z");
    const Bytes otherSerial = Certificate(Hex("02 02 12 35"), "Jane");
    // The serial's bytes count, not its value.
    const Bytes paddedSerial = Certificate(Hex("02 03 00 12 34"), "Jane");

    EXPECT_FALSE(IsCertificateInStore("AddressBook", jane));
    std::optional<CertStore> store = OpenUserStore("AddressBook");
    ASSERT_TRUE(store->Add(jane));
    EXPECT_TRUE(IsCertificateInStore("AddressBook", jane));
    EXPECT_TRUE(IsCertificateInStore("AddressBook", reissued));
    EXPECT_FALSE(IsCertificateInStore("AddressBook", otherSerial));
    EXPECT_FALSE(IsCertificateInStore("AddressBook", paddedSerial));
    EXPECT_FALSE(IsCertificateInStore("MY", jane));
    EXPECT_FALSE(IsCertificateInStore("AddressBook", Bytes{}));
    EXPECT_FALSE(IsCertificateInStore("AddressBook", Hex("30 00")));

    // Adding the reissued copy replaces the first.
    ASSERT_TRUE(store->Add(reissued));
    std::vector<StoredCertificate> all = store->List();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].der, reissued);
    ASSERT_TRUE(store->Add(otherSerial));
    EXPECT_EQ(store->List().size(), 2u);
    ASSERT_TRUE(store->Find(jane));
    EXPECT_EQ(store->Find(jane)->der, reissued);

    EXPECT_TRUE(store->Remove(jane));
    EXPECT_FALSE(store->Remove(jane));
    all = store->List();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].der, otherSerial);
}

TEST_F(CertStoreTest, ForeignFilesAndCopiesUnderOtherNames) {
    std::optional<CertStore> store = OpenUserStore("MY");
    const Bytes jane = Certificate(Hex("02 01 01"), "Jane");
    ASSERT_TRUE(store->Add(jane));
    // A copy that someone put there by hand, and files that are no certificates.
    WriteFile(store->folder() + "hand-made.cer", std::string(jane.begin(), jane.end()));
    WriteFile(store->folder() + "broken.cer", "not a certificate");
    WriteFile(store->folder() + "notes.txt", "hello");
    EXPECT_EQ(store->List().size(), 2u);
    EXPECT_TRUE(IsCertificateInStore("MY", jane));
    // Adding leaves one copy.
    ASSERT_TRUE(store->Add(Certificate(Hex("02 01 01"), "Jane Doe")));
    ASSERT_EQ(store->List().size(), 1u);
    EXPECT_FALSE(store->Add(Hex("30 00")));
}

TEST_F(CertStoreTest, FailedWriteKeepsTheEarlierCopy) {
    std::optional<CertStore> store = OpenUserStore("AddressBook");
    const Bytes first = Certificate(Hex("02 01 07"), "First");
    ASSERT_TRUE(store->Add(first));
    file_testing::FailWritesAfter(10);
    EXPECT_FALSE(store->Add(Certificate(Hex("02 01 07"), "Second")));
    file_testing::FailWritesAfter(-1);
    const std::vector<StoredCertificate> all = store->List();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].der, first);

    // A store folder that cannot be made.
    WriteFile(env_ / "data/orx/stores/Blocked", "a file in the way");
    EXPECT_FALSE(OpenUserStore("Blocked")->Add(first));
}

}  // namespace
}  // namespace orx
