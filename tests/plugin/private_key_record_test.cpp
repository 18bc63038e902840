// Header record 8: the ids of the certificates whose private key is sealed in the
// token, readable without the password. The format directly (written at every
// seal, authenticated with the header, damage refused, files from before the
// record still read), then "CertificateEx" field 9 through the real module for soft
// tokens and virtual card applications, with nobody logged in.
#include <openssl/pkcs12.h>

#include <gtest/gtest.h>

#include "card_fixture.h"
#include "cards/card_slots.h"
#include "core/base64.h"
#include "module_fixture.h"
#include "objects/object_operations.h"
#include "objects/token_access.h"
#include "plugin_test_support.h"
#include "prompts/prompt_source.h"
#include "propagation/certificate_propagation.h"
#include "softtoken/soft_tokens.h"
#include "test_certificates.h"

namespace orx {
namespace {

using testing::Bytes;
using testing::CheapKdf;
using testing::MakeDer;
using testing::MakeTokenBytes;

constexpr uint8_t kKeyIdsTag = 8;
constexpr size_t kPrefixSize = 14;  // magic, version, header length

struct Record {
    uint8_t tag = 0;
    std::vector<uint8_t> value;
};

void PutU32(std::vector<uint8_t>& out, size_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

uint32_t GetU32(const std::vector<uint8_t>& bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value = value << 8 | bytes[at + i];
    return value;
}

// The header records of a token file as the format lays them out.
std::vector<Record> ReadRecords(const std::vector<uint8_t>& bytes) {
    std::vector<Record> records;
    const size_t end = kPrefixSize + GetU32(bytes, 10);
    for (size_t at = kPrefixSize; at < end;) {
        Record record;
        record.tag = bytes[at];
        const uint32_t size = GetU32(bytes, at + 1);
        record.value.assign(bytes.begin() + static_cast<long>(at + 5),
                            bytes.begin() + static_cast<long>(at + 5 + size));
        at += 5 + size;
        records.push_back(std::move(record));
    }
    return records;
}

std::vector<uint8_t> Header(const std::vector<Record>& records) {
    std::vector<uint8_t> body;
    for (const Record& record : records) {
        body.push_back(record.tag);
        PutU32(body, record.value.size());
        body.insert(body.end(), record.value.begin(), record.value.end());
    }
    std::vector<uint8_t> header = Bytes("ORXTOKEN");
    header.push_back(0);
    header.push_back(1);
    PutU32(header, body.size());
    header.insert(header.end(), body.begin(), body.end());
    return header;
}

std::vector<uint8_t> Finish(std::vector<uint8_t> bytes, const std::vector<uint8_t>& sealed) {
    PutU32(bytes, sealed.size());
    bytes.insert(bytes.end(), sealed.begin(), sealed.end());
    const auto digest = Sha256(bytes);
    bytes.insert(bytes.end(), digest.begin(), digest.end());
    return bytes;
}

// The file with other header records and its old sealed part: a correct checksum,
// but a header that the sealed part was not made for.
std::vector<uint8_t> WithRecords(const std::vector<uint8_t>& bytes,
                                 const std::vector<Record>& records) {
    const size_t sealedAt = kPrefixSize + GetU32(bytes, 10);
    const uint32_t sealedSize = GetU32(bytes, sealedAt);
    const std::vector<uint8_t> sealed(bytes.begin() + static_cast<long>(sealedAt + 4),
                                      bytes.begin() + static_cast<long>(sealedAt + 4 + sealedSize));
    return Finish(Header(records), sealed);
}

// The file as a module before record 8 wrote it: without the record, sealed anew
// for that header with the password's key.
std::vector<uint8_t> AsWrittenBeforeTheRecord(const std::vector<uint8_t>& bytes,
                                              const std::string& password) {
    TokenFile file;
    TokenKey key;
    std::vector<TokenObject> privateObjects;
    if (ParseTokenFile(bytes, file) != CKR_OK || !DeriveFileKey(file, password, key) ||
        UnsealToken(file, key, privateObjects) != CKR_OK)
        return {};
    std::vector<Record> records = ReadRecords(bytes);
    std::erase_if(records, [](const Record& r) { return r.tag == kKeyIdsTag; });
    const std::vector<uint8_t> header = Header(records);
    std::vector<uint8_t> plain;
    EncodeObjects(privateObjects, plain);
    std::vector<uint8_t> sealed;
    if (!SealPrivate(key, file.nonce, header, plain, sealed))
        return {};
    return Finish(header, sealed);
}

std::vector<uint8_t> KeyIdsValue(const std::vector<std::string>& ids, size_t extra = 0) {
    std::vector<uint8_t> value;
    PutU32(value, ids.size() + extra);
    for (const std::string& id : ids) {
        value.push_back(static_cast<uint8_t>(id.size() >> 8));
        value.push_back(static_cast<uint8_t>(id.size()));
        value.insert(value.end(), id.begin(), id.end());
    }
    return value;
}

TEST(PrivateKeyRecord, EverySealListsTheKeysAndOnlyTheKeys) {
    TokenFile file;
    TokenKey key;
    ASSERT_TRUE(NewTokenFile("Keys", "pass-1", CheapKdf(), file, key));
    const struct {
        const char* name;
        std::vector<TokenObject> privateObjects;
        std::vector<std::string> listed;
    } cases[] = {
        {"nothing private", {}, {}},
        {"a private data object", {{ObjectKind::Data, true, "d1", "x", "Orvex", Bytes("v")}}, {}},
        {"two keys and data",
         {{ObjectKind::PrivateKey, true, "aa01", "k", "", Bytes("K1")},
          {ObjectKind::Data, true, "d1", "x", "Orvex", Bytes("v")},
          {ObjectKind::PrivateKey, true, "bb02", "k", "", Bytes("K2")}},
         {"aa01", "bb02"}},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(SerializeTokenFile(file, key, c.privateObjects, bytes)) << c.name;
        TokenFile read;
        ASSERT_EQ(ParseTokenFile(bytes, read), CKR_OK) << c.name;
        ASSERT_TRUE(read.keyIds.has_value()) << c.name;
        EXPECT_EQ(*read.keyIds, c.listed) << c.name;
        for (const std::string& id : {std::string("aa01"), std::string("d1")}) {
            const bool listed = std::find(c.listed.begin(), c.listed.end(), id) != c.listed.end();
            EXPECT_EQ(HeaderListsPrivateKey(read, id), listed) << c.name << " " << id;
        }
        std::vector<TokenObject> opened;
        EXPECT_EQ(UnsealToken(read, key, opened), CKR_OK) << c.name;
    }
}

TEST(PrivateKeyRecord, AFileFromBeforeTheRecordSaysNothingAndStillOpens) {
    const auto bytes = MakeTokenBytes("Old", "pass-1");
    const auto old = AsWrittenBeforeTheRecord(bytes, "pass-1");
    ASSERT_FALSE(old.empty());
    ASSERT_LT(old.size(), bytes.size());
    TokenFile file;
    ASSERT_EQ(ParseTokenFile(old, file), CKR_OK);
    EXPECT_FALSE(file.keyIds.has_value());
    EXPECT_FALSE(HeaderListsPrivateKey(file, "01"));
    TokenKey key;
    ASSERT_TRUE(DeriveFileKey(file, "pass-1", key));
    std::vector<TokenObject> privateObjects;
    ASSERT_EQ(UnsealToken(file, key, privateObjects), CKR_OK);
    // Its next write records the keys.
    std::vector<uint8_t> again;
    ASSERT_TRUE(SerializeTokenFile(file, key, privateObjects, again));
    TokenFile rewritten;
    ASSERT_EQ(ParseTokenFile(again, rewritten), CKR_OK);
    EXPECT_TRUE(HeaderListsPrivateKey(rewritten, "01"));
}

TEST(PrivateKeyRecord, ADamagedOrForgedRecordIsCaught) {
    const auto bytes = MakeTokenBytes("T", "pass-1");
    const std::vector<Record> records = ReadRecords(bytes);
    ASSERT_EQ(records.back().tag, kKeyIdsTag);
    std::vector<Record> twice = records;
    twice.push_back(records.back());
    std::vector<Record> countTooHigh = records;
    countTooHigh.back().value = KeyIdsValue({"01"}, 1);
    std::vector<Record> trailing = records;
    trailing.back().value.push_back(0);
    std::vector<Record> cut = records;
    cut.back().value.resize(5);
    const struct {
        const char* name;
        std::vector<Record> records;
    } damaged[] = {{"twice", twice},
                   {"count beyond the ids", countTooHigh},
                   {"a byte after the ids", trailing},
                   {"an id cut short", cut}};
    for (const auto& d : damaged) {
        TokenFile file;
        EXPECT_EQ(ParseTokenFile(WithRecords(bytes, d.records), file), CKR_ATTRIBUTE_VALUE_INVALID)
            << d.name;
    }

    // A record changed with the checksum made good reads without the password,
    // but the header is authenticated: the password's unsealing refuses it.
    std::vector<Record> forged = records;
    forged.back().value = KeyIdsValue({"01", "ff"});
    TokenFile file;
    ASSERT_EQ(ParseTokenFile(WithRecords(bytes, forged), file), CKR_OK);
    EXPECT_TRUE(HeaderListsPrivateKey(file, "ff"));
    TokenKey key;
    ASSERT_TRUE(DeriveFileKey(file, "pass-1", key));
    std::vector<TokenObject> privateObjects;
    EXPECT_EQ(UnsealToken(file, key, privateObjects), CKR_ATTRIBUTE_VALUE_INVALID);
}

// A PKCS#12 file of the certificate and the shared test key.
std::vector<uint8_t> MakePkcs12(const std::vector<uint8_t>& der, const char* password) {
    const unsigned char* at = der.data();
    X509* certificate = d2i_X509(nullptr, &at, static_cast<long>(der.size()));
    PKCS12* p12 = PKCS12_create(password, "friendly", testing::SharedTestKey(), certificate,
                                nullptr, 0, 0, 0, 0, 0);
    X509_free(certificate);
    std::vector<uint8_t> pfx(static_cast<size_t>(i2d_PKCS12(p12, nullptr)));
    unsigned char* out = pfx.data();
    i2d_PKCS12(p12, &out);
    PKCS12_free(p12);
    return pfx;
}

// Field 9 of each "CertificateEx" entry of the slot, in stored order.
class KeyFieldTest : public testing::CardTest {
  protected:
    std::vector<std::string> KeyFields(int slot) {
        std::vector<std::string> fields;
        for (const std::string& entry : Enum("CertificateEx")) {
            if (std::stoi(entry) == slot)
                fields.push_back(FieldOf(entry, 9));
        }
        return fields;
    }
    bool LoggedIn(int slot) {
        app_->SetActiveSlot(slot);
        return Get("LoggedIn") == "true";
    }
    // A new context, as after a restart: nobody is logged in.
    void Restart() {
        app_.reset();
        app_ = Start();
    }
    int WriteWithKey(int slot, const std::vector<uint8_t>& der, const std::string& password) {
        Script({"pin p12-pass", "pin " + password});
        app_->SetActiveSlot(slot);
        app_->SetPropertyBytes("Certificate", MakePkcs12(der, "p12-pass"));
        return app_->Invoke("WriteCertificate");
    }
    int WriteAlone(int slot, const std::vector<uint8_t>& der, const std::string& password) {
        Script({"pin " + password});
        app_->SetActiveSlot(slot);
        app_->SetProperty("Certificate", EncodeBase64(der).c_str());
        return app_->Invoke("WriteCertificate");
    }
    static std::string EncodeBase64(const std::vector<uint8_t>& der) { return Base64Encode(der); }
};

TEST_F(KeyFieldTest, ASoftTokenTellsItsKeysWithoutALogin) {
    ASSERT_EQ(Create("Keys", "token-pass"), 0);
    const int slot = std::stoi(*Get("ActiveSlot"));
    ASSERT_EQ(
        WriteWithKey(slot, MakeDer({"With Key", "CA", "", "20391231235959Z", 1}), "token-pass"), 0);
    ASSERT_EQ(WriteAlone(slot, MakeDer({"Alone", "CA", "", "20391231235959Z", 2}), "token-pass"),
              0);
    Restart();
    EXPECT_FALSE(LoggedIn(slot));
    EXPECT_EQ(KeyFields(slot), (std::vector<std::string>{"1", "0"}));

    // The same token as written before the record: nothing is known until a login.
    const std::string path = TokenFolder() + "Keys.tkn";
    const auto old = AsWrittenBeforeTheRecord(testing::ReadBytes(path), "token-pass");
    ASSERT_FALSE(old.empty());
    testing::WriteFile(path, std::string(old.begin(), old.end()));
    Restart();
    EXPECT_EQ(KeyFields(slot), (std::vector<std::string>{"0", "0"}));
    Script({"pin token-pass"});
    app_->SetActiveSlot(slot);
    ASSERT_EQ(app_->Login(), 0);
    EXPECT_EQ(KeyFields(slot), (std::vector<std::string>{"1", "0"}));
    // Its next write records it for every later reader.
    ASSERT_EQ(WriteAlone(slot, MakeDer({"Third", "CA", "", "20391231235959Z", 3}), "token-pass"),
              0);
    Restart();
    EXPECT_FALSE(LoggedIn(slot));
    EXPECT_EQ(KeyFields(slot), (std::vector<std::string>{"1", "0", "0"}));
}

TEST_F(KeyFieldTest, ACardApplicationTellsItsKeysWithoutALogin) {
    AddReader("Reader A");
    const std::string card = Path("work.card");
    ASSERT_EQ(MakeCard(card, "Work Card", "puk-12345", "card-pass"), 0);
    ASSERT_EQ(Insert("Reader A", card), 0);
    // The module imports PKCS#12 files onto soft tokens only: the signature
    // application (the card's second slot) gets its key through the context's own
    // parts, as a card back-end stores one.
    {
        PromptSource prompts;
        prompts.LoadSettings();
        SoftTokens soft;
        CardSlots cards;
        TokenAccess tokens{soft, cards, prompts};
        CertificatePropagation propagation{soft, cards};
        ObjectOperations objects{tokens, propagation};
        Script({"pin card-pass"});
        ASSERT_EQ(objects.StoreCertificate(2, MakeDer({"Signer", "CA", "", "20391231235959Z", 4}),
                                           "Signer", Bytes("PKCS8-KEY-OF-THE-SIGNER")),
                  0);
    }
    ASSERT_EQ(WriteAlone(1, MakeDer({"Login", "CA", "", "20391231235959Z", 5}), "card-pass"), 0);
    Restart();
    EXPECT_FALSE(LoggedIn(1));
    EXPECT_FALSE(LoggedIn(2));
    EXPECT_EQ(KeyFields(1), std::vector<std::string>{"0"});
    EXPECT_EQ(KeyFields(2), std::vector<std::string>{"1"});
}

}  // namespace
}  // namespace orx
