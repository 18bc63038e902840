// The token view's data boxes through the real module: the public box readable
// without a login, the private one only with it and never in the file's clear
// bytes, and values that are refused without changing the token.
#include "core/base64.h"
#include "core/product_identity.h"
#include "module_fixture.h"
#include "plugin_test_support.h"
#include "properties/base64_text.h"

namespace orx::testing {
namespace {

constexpr const char* kPassword = "box-password";

// The data box blob: 0x00, then 0x00 description 0x00 value 0x00 per entry, padded
// with zeros to a multiple of 64.
std::vector<uint8_t> Blob(std::initializer_list<std::pair<std::string, std::string>> entries) {
    std::vector<uint8_t> blob{0};
    for (const auto& [description, value] : entries) {
        blob.push_back(0);
        blob.insert(blob.end(), description.begin(), description.end());
        blob.push_back(0);
        blob.insert(blob.end(), value.begin(), value.end());
        blob.push_back(0);
    }
    blob.resize((blob.size() + 63) / 64 * 64, 0);
    return blob;
}

class DataBoxTest : public ModuleTest {
  protected:
    void SetUp() override {
        ModuleTest::SetUp();
        ASSERT_EQ(Create("Boxes", kPassword), 0);
    }
    // What the view sets before it reads or writes a box.
    void Describe(TokenApplication& app, bool isPrivate) {
        app.SetProperty("CKA_CLASS", "0x00000000");
        app.SetProperty("CKA_TOKEN", "0x01");
        app.SetProperty("CKA_LABEL", "");
        app.SetProperty("CKA_PRIVATE", isPrivate ? "0x01" : "0x00");
        app.SetProperty("CKA_APPLICATION", GetProductName().c_str());
    }
    int WriteBox(bool isPrivate, const std::vector<uint8_t>& blob) {
        Describe(*app_, isPrivate);
        app_->SetPropertyBytes("CKA_VALUE", blob);
        return app_->Invoke("UpdateObject");
    }
    std::optional<std::vector<uint8_t>> ReadBox(TokenApplication& app, bool isPrivate) {
        Describe(app, isPrivate);
        const std::optional<std::string> entry = app.EnumPropertyString("Object", 0);
        if (!entry || entry->find(';') == std::string::npos)
            return std::nullopt;
        return Base64DecodeStrict(entry->substr(entry->find(';') + 1));
    }
    std::string TokenPath() const { return TokenFolder() + "Boxes.tkn"; }
};

TEST_F(DataBoxTest, PublicWithoutLoginPrivateOnlyAfterItAndNeverInTheClear) {
    const auto publicBlob = Blob({{"Phone", "555-0100"}, {"Room", "B 12"}});
    const auto privateBlob = Blob({{"PIN of the door", "PrivateBoxSecret-7731"}});
    EXPECT_FALSE(ReadBox(*app_, false));

    // The private box is written only by a token that is logged in already.
    EXPECT_EQ(WriteBox(true, privateBlob), 257);
    // The public one asks for the password: the token's key seals every write.
    Script({"pin " + std::string(kPassword)});
    ASSERT_EQ(WriteBox(false, publicBlob), 0);
    EXPECT_EQ(ReadBox(*app_, false), publicBlob);
    EXPECT_EQ(publicBlob.size(), 64u);

    Script({"pin " + std::string(kPassword)});
    ASSERT_EQ(app_->Invoke("Login"), 0);
    ASSERT_EQ(WriteBox(true, privateBlob), 0);
    EXPECT_EQ(ReadBox(*app_, true), privateBlob);
    EXPECT_EQ(ReadBox(*app_, false), publicBlob);

    // Another program without a login sees the public box only.
    std::unique_ptr<TokenApplication> other = Start();
    EXPECT_EQ(ReadBox(*other, false), publicBlob);
    EXPECT_FALSE(ReadBox(*other, true));
    other.reset();

    const std::vector<uint8_t> file = ReadBytes(TokenPath());
    EXPECT_FALSE(Contains(file, "PrivateBoxSecret"));
    EXPECT_FALSE(Contains(file, Base64Encode(privateBlob)));
    EXPECT_TRUE(Contains(file, "555-0100"));  // public objects are stored in the clear

    // A second write replaces the box instead of adding one.
    const auto edited = Blob({{"Room", "B 12"}, {"Phone", "555-0199"}});
    ASSERT_EQ(WriteBox(false, edited), 0);
    EXPECT_EQ(ReadBox(*app_, false), edited);
    // Another application's box is another object.
    Describe(*app_, false);
    app_->SetProperty("CKA_APPLICATION", "Someone else");
    EXPECT_FALSE(app_->EnumPropertyString("Object", 0));
}

struct BadObject {
    const char* name;
    const char* attribute;  // set after the description; nullptr: none
    std::string value;
    std::string cka;  // CKA_VALUE as text
    int result;
};

TEST_F(DataBoxTest, HostileValuesAreRefusedAndTheTokenStaysAsItWas) {
    Script({"pin " + std::string(kPassword)});
    ASSERT_EQ(app_->Invoke("Login"), 0);
    const auto kept = Blob({{"Kept", "yes"}});
    ASSERT_EQ(WriteBox(false, kept), 0);
    const std::vector<uint8_t> before = ReadBytes(TokenPath());
    const std::vector<uint8_t> tenMegabytes(10u << 20, 0x41);
    const std::string good = Base64Encode(kept);
    const BadObject cases[] = {
        {"no value", nullptr, "", "", 7},
        {"10 MB value", nullptr, "", Base64Encode(tenMegabytes), 19},
        {"huge Base64 without padding", nullptr, "", std::string((1u << 20) + 1, 'A'), 19},
        {"binary garbage", nullptr, "", std::string("\x01\xff\xfe garbage \x80\x81", 14), 19},
        {"Base64 cut short", nullptr, "", good.substr(0, good.size() - 3), 19},
        {"a certificate class", "CKA_CLASS", "0x00000001", good, 7},
        {"a session object", "CKA_TOKEN", "0x00", good, 7},
        {"an unreadable flag", "CKA_PRIVATE", "maybe", good, 7},
    };
    for (const BadObject& item : cases) {
        Describe(*app_, false);
        if (item.attribute)
            app_->SetProperty(item.attribute, item.value.c_str());
        if (!item.cka.empty())
            app_->SetProperty("CKA_VALUE", item.cka.c_str());
        EXPECT_EQ(app_->Invoke("UpdateObject"), item.result) << item.name;
        EXPECT_EQ(ReadBytes(TokenPath()), before) << item.name;
    }
    EXPECT_EQ(ReadBox(*app_, false), kept);
}

TEST_F(DataBoxTest, APasswordChangedElsewhereEndsTheLoginBeforeAWrite) {
    Script({"pin " + std::string(kPassword)});
    ASSERT_EQ(app_->Invoke("Login"), 0);
    std::unique_ptr<TokenApplication> other = Start();
    Script({"pin " + std::string(kPassword), "pin changed-password", "pin changed-password"});
    ASSERT_EQ(other->Invoke("ChangePassword"), 0);
    other.reset();
    const std::vector<uint8_t> before = ReadBytes(TokenPath());
    EXPECT_EQ(WriteBox(true, Blob({{"a", "b"}})), 257);
    EXPECT_EQ(ReadBytes(TokenPath()), before);
}

}  // namespace
}  // namespace orx::testing
