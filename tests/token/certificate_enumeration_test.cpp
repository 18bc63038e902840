#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/trace.h"
#include "fake_plugin_fixture.h"
#include "token/token_application.h"

namespace orx {
namespace {

using orx::testing::FakePluginFolder;
using ::testing::ElementsAre;

class CertificateEnumerationTest : public ::testing::Test {
  protected:
    void Start() {
        ASSERT_EQ(app_.Initialize(0, 0, 0, 0), kPluginOk);
        fake_.ClearCalls();
    }

    orx::testing::IsolatedEnvironment env_;
    FakePluginFolder fake_{env_};
    TokenApplication app_;
};

TEST_F(CertificateEnumerationTest, FirstIndexSendsTheFilterLaterOnesDoNot) {
    fake_.AnswerEnum("Certificate", 0, "3;a;b;c;MAA=");
    fake_.AnswerEnum("Certificate", 1, "4;a;b;c;MAA=");
    Start();
    EXPECT_TRUE(app_.ReadCertificateAt(0, 0xC0, true));
    EXPECT_TRUE(app_.ReadCertificateAt(1, 0xC0, true));
    EXPECT_FALSE(app_.ReadCertificateAt(2, 0xC0, true));
    EXPECT_THAT(
        fake_.Calls(),
        ElementsAre("PlgSetProperty\tKeyUsage\t192", "PlgSetProperty\tOther\t1",
                    "PlgSetProperty\tAllowExternalCert\t1", "PlgEnumProperty\tCertificate\t0",
                    "PlgEnumProperty\tCertificate\t1", "PlgEnumProperty\tCertificate\t2"));
    fake_.ClearCalls();
    app_.ReadCertificateAt(0, 255, false);
    EXPECT_THAT(
        fake_.Calls(),
        ElementsAre("PlgSetProperty\tKeyUsage\t255", "PlgSetProperty\tOther\t0",
                    "PlgSetProperty\tAllowExternalCert\t0", "PlgEnumProperty\tCertificate\t0"));
}

struct EntryCase {
    const char* title;
    const char* entry;  // nullptr: absent
    size_t size;        // of the field-3 buffer
    bool found;
    int32_t owner;
    std::vector<uint8_t> der;
    const char* field3;
};

class CertificateEntryTest : public CertificateEnumerationTest,
                             public ::testing::WithParamInterface<EntryCase> {};

TEST_P(CertificateEntryTest, DecodesOwnerDescriptionAndBytes) {
    const EntryCase& c = GetParam();
    if (c.entry != nullptr)
        fake_.AnswerEnum("Certificate", 0, c.entry);
    Start();
    std::string field3 = "before";
    const std::optional<CertificateEntry> entry =
        app_.ReadCertificateAt(0, 0x20, false, &field3, c.size);
    EXPECT_EQ(field3, c.field3);
    ASSERT_EQ(entry.has_value(), c.found);
    if (!entry)
        return;
    EXPECT_EQ(entry->ownerSlotId, c.owner);
    EXPECT_EQ(entry->der, c.der);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CertificateEntryTest,
    ::testing::Values(
        EntryCase{"OwnerAndDescription",
                  "3;Alice;Reader;Alice signing;MIIB",
                  64,
                  true,
                  3,
                  {0x30, 0x82, 0x01},
                  "Alice signing"},
        EntryCase{"DescriptionCutToTheBuffer",
                  "3;Alice;Reader;Alice signing;MIIB",
                  4,
                  true,
                  3,
                  {0x30, 0x82, 0x01},
                  "Ali"},
        EntryCase{"LineBreaksAndBlanksInsideBase64",
                  "101;x;y;z;MI\\nIB\\n Ag==",
                  64,
                  true,
                  101,
                  {0x30, 0x82, 0x01, 0x02},
                  "z"},
        EntryCase{"OwnerFromLeadingDigits", "12abc;x;y;z;MAA=", 64, true, 12, {0x30, 0x00}, "z"},
        EntryCase{"NonNumericOwnerIsZero", "card;x;y;z;MAA=", 64, true, 0, {0x30, 0x00}, "z"},
        EntryCase{"TwoFieldsHaveNoDescription", "5;MAA=", 64, true, 5, {0x30, 0x00}, ""},
        EntryCase{"EmptyLastFieldGivesNone", "3;a;b;described;", 64, false, 0, {}, "described"},
        EntryCase{"NoSeparatorGivesNone", "MAA=", 64, false, 0, {}, "before"},
        EntryCase{"EmptyEntryGivesNone", "", 64, false, 0, {}, "before"},
        EntryCase{"AbsentEntryGivesNone", nullptr, 64, false, 0, {}, "before"}),
    [](const auto& info) { return std::string(info.param.title); });

}  // namespace
}  // namespace orx
