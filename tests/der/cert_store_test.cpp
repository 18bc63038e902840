#include "der/cert_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "cert_test_support.h"
#include "core/file_helpers.h"
#include "support/write_failures.h"

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

// The certificates of the store, in file name order.
std::vector<Bytes> Stored(const CertStore& store) {
    std::vector<Bytes> ders;
    for (const StoredCertificate& stored : store.List())
        ders.push_back(stored.der);
    return ders;
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
    EXPECT_EQ(Stored(*store), std::vector<Bytes>{reissued});
    ASSERT_TRUE(store->Add(otherSerial));
    EXPECT_EQ(store->List().size(), 2u);
    ASSERT_TRUE(store->Find(jane));
    EXPECT_EQ(store->Find(jane)->der, reissued);

    EXPECT_TRUE(store->Remove(jane));
    EXPECT_FALSE(store->Remove(jane));
    EXPECT_EQ(Stored(*store), std::vector<Bytes>{otherSerial});
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
    EXPECT_EQ(Stored(*store), std::vector<Bytes>{first});

    // A store folder that cannot be made.
    WriteFile(env_ / "data/orx/stores/Blocked", "a file in the way");
    EXPECT_FALSE(OpenUserStore("Blocked")->Add(first));
}

TEST_F(CertStoreTest, BatchKeepsItsPictureInStepWithWhatItWrites) {
    std::optional<CertStore> store = OpenUserStore("MY");
    const Bytes jane = Certificate(Hex("02 01 01"), "Jane");
    const Bytes janeAgain = Certificate(Hex("02 01 01"), "Jane", "501231235959Z");
    const Bytes john = Certificate(Hex("02 01 02"), "John");
    const Bytes absent = Certificate(Hex("02 01 03"), "Nobody");
    ASSERT_TRUE(store->Add(jane));
    // A copy someone put there under another name before the batch began.
    WriteFile(store->folder() + "hand-made.cer", std::string(jane.begin(), jane.end()));

    CertStoreBatch batch(*store);
    EXPECT_EQ(batch.size(), 2u);
    EXPECT_TRUE(batch.Contains(jane));
    EXPECT_FALSE(batch.Contains(janeAgain));  // same issuer and serial, other bytes
    EXPECT_FALSE(batch.Contains(Hex("30 00")));

    struct Step {
        const char* what;
        bool add;
        const Bytes& der;
        bool result;
        size_t filesAfter;
    };
    const Step steps[] = {
        {"a new one", true, john, true, 3},
        {"the same again", true, john, true, 3},
        {"a replacement drops the hand-made copy", true, janeAgain, true, 2},
        {"removing an absent one", false, absent, false, 2},
        {"removing", false, john, true, 1},
        {"removing twice", false, john, false, 1},
        {"no certificate", true, Hex("30 03 02 01 01"), false, 1},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(step.add ? batch.Add(step.der) : batch.Remove(step.der), step.result)
            << step.what;
        EXPECT_TRUE(batch.Commit()) << step.what;
        EXPECT_EQ(batch.size(), step.filesAfter) << step.what;
        EXPECT_EQ(store->List().size(), step.filesAfter) << step.what;
    }
    EXPECT_TRUE(batch.Contains(janeAgain));
    EXPECT_FALSE(batch.Contains(jane));
    EXPECT_FALSE(batch.Contains(john));
    EXPECT_EQ(Stored(*store), std::vector<Bytes>{janeAgain});

    // Until the commit a new file is pending: seen by the batch, not in the store.
    EXPECT_TRUE(batch.Add(john));
    EXPECT_TRUE(batch.Contains(john));
    EXPECT_EQ(store->List().size(), 1u);
    EXPECT_TRUE(batch.Remove(john));  // a pending one is dropped
    EXPECT_FALSE(batch.Contains(john));
    EXPECT_TRUE(batch.Add(jane));  // pending, replaces janeAgain at the commit
    EXPECT_TRUE(batch.Contains(jane));
    EXPECT_FALSE(batch.Contains(janeAgain));
    EXPECT_TRUE(batch.Commit());
    EXPECT_EQ(Stored(*store), std::vector<Bytes>{jane});

    // A fresh batch over the folder sees what the first one left.
    {
        CertStoreBatch ending(*store);
        ASSERT_TRUE(ending.Add(john));
    }  // committed as it ends
    CertStoreBatch again(*store);
    EXPECT_EQ(again.size(), 2u);
    EXPECT_TRUE(again.Contains(john));
    EXPECT_TRUE(again.Contains(jane));
}

TEST_F(CertStoreTest, FailedWriteInABatchLeavesStoreAndBatchConsistent) {
    std::optional<CertStore> store = OpenUserStore("AddressBook");
    const Bytes first = Certificate(Hex("02 01 07"), "First");
    const Bytes second = Certificate(Hex("02 01 07"), "Second");
    const Bytes other = Certificate(Hex("02 01 08"), "Other");
    ASSERT_TRUE(store->Add(first));
    CertStoreBatch batch(*store);
    file_testing::FailWritesAfter(10);
    EXPECT_FALSE(batch.Add(second));
    EXPECT_FALSE(batch.Add(other));
    file_testing::FailWritesAfter(-1);
    EXPECT_TRUE(batch.Contains(first));
    EXPECT_FALSE(batch.Contains(second));
    EXPECT_EQ(batch.size(), 1u);
    EXPECT_EQ(Stored(*store), std::vector<Bytes>{first});

    // The batch goes on once writing works again.
    EXPECT_TRUE(batch.Add(other));
    EXPECT_TRUE(batch.Remove(first));
    EXPECT_TRUE(batch.Commit());
    EXPECT_EQ(Stored(*store), std::vector<Bytes>{other});

    // A file removed behind the batch's back is no failure, only not removed by it.
    ASSERT_EQ(::unlink(store->List().at(0).path.c_str()), 0);
    EXPECT_FALSE(batch.Remove(other));
    EXPECT_EQ(batch.size(), 0u);
}

}  // namespace
}  // namespace orx
