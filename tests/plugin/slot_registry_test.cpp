#include "tokenfile/slot_registry.h"

#include <gtest/gtest.h>

#include "plugin_test_support.h"
#include "support/test_environment.h"

namespace orx {
namespace {

using testing::IsolatedEnvironment;

std::string Create(const TokenStore& store, const SlotRegistry& registry, const std::string& label,
                   int* id = nullptr) {
    const auto bytes = testing::MakeTokenBytes(label, "secret-1");
    std::string stem;
    store.Locked([&]() -> int {
        const int result = store.CreateLocked(label, bytes, stem);
        const int assigned = registry.AssignLocked(stem);
        if (id)
            *id = assigned;
        return result;
    });
    return stem;
}

// A fresh token folder and its registry.
class SlotRegistryTest : public ::testing::Test {
  protected:
    IsolatedEnvironment env;
    TokenStore store{env / "tokens/"};
    SlotRegistry registry{store};
};

TEST_F(SlotRegistryTest, IdsStartAt100AndSurviveANewRegistry) {
    int first = 0, second = 0;
    const std::string a = Create(store, registry, "Same", &first);
    const std::string b = Create(store, registry, "Same", &second);
    EXPECT_EQ(a, "Same");
    EXPECT_EQ(b, "Same-2");
    EXPECT_EQ(Create(store, registry, "SAME"), "SAME-3");  // shown names fold letter case
    EXPECT_EQ(first, 100);
    EXPECT_EQ(second, 101);

    SlotRegistry later(store);
    later.Scan();
    ASSERT_EQ(later.slots().size(), 3u);
    EXPECT_EQ(later.FindStem("Same")->id, 100);
    EXPECT_EQ(later.FindStem("Same-2")->id, 101);
    EXPECT_EQ(later.Find(101)->label, "Same");
}

TEST_F(SlotRegistryTest, RemovedTokensFreeTheirIdButOthersKeepTheirs) {
    Create(store, registry, "One");
    Create(store, registry, "Two");
    Create(store, registry, "Three");
    store.Locked([&]() -> int {
        store.RemoveLocked("One");
        registry.ForgetLocked("One");
        return CKR_OK;
    });
    registry.Scan();
    EXPECT_EQ(registry.FindStem("Two")->id, 101);
    EXPECT_EQ(registry.FindStem("Three")->id, 102);
    EXPECT_EQ(registry.Find(100), nullptr);
}

TEST_F(SlotRegistryTest, FilesCopiedInByHandGetIdsAndDamagedFilesStayListed) {
    Create(store, registry, "Known");
    auto bytes = testing::MakeTokenBytes("Copied", "secret-1");
    testing::WriteFile(store.PathOf("copied"), std::string(bytes.begin(), bytes.end()));
    bytes[bytes.size() / 2] ^= 1;
    testing::WriteFile(store.PathOf("broken"), std::string(bytes.begin(), bytes.end()));
    registry.Scan();
    ASSERT_EQ(registry.slots().size(), 3u);
    EXPECT_EQ(registry.FindStem("Known")->id, 100);
    const SoftSlot* broken = registry.FindStem("broken");
    ASSERT_NE(broken, nullptr);
    EXPECT_EQ(broken->state, CKR_ATTRIBUTE_VALUE_INVALID);
    EXPECT_EQ(broken->label, "broken");
    EXPECT_EQ(registry.FindStem("copied")->label, "Copied");
}

TEST_F(SlotRegistryTest, ADamagedIndexNeverGivesOneIdTwice) {
    Create(store, registry, "A");
    Create(store, registry, "B");
    testing::WriteFile(store.folder() + std::string(kSlotIndexName),
                       "100\tA\n100\tB\ngarbage\n7\tB\n600\tB\n");
    registry.Scan();
    ASSERT_EQ(registry.slots().size(), 2u);
    EXPECT_EQ(registry.FindStem("A")->id, 100);
    EXPECT_EQ(registry.FindStem("B")->id, 101);
}

TEST(SlotRegistry, StemsFromLabels) {
    const struct {
        const char* label;
        const char* stem;
    } cases[] = {
        {"Work", "Work"},       {"a/b\\c", "a_b_c"},   {"..hidden", "hidden"},
        {"  ", "token"},        {"x;y:z", "x_y_z"},    {"tab\there", "tab_here"},
        {"Ünïcode", "Ünïcode"}, {" . .x y. ", "x y."}, {"Work  ", "Work"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TokenStore::StemFromLabel(c.label), c.stem) << c.label;
    const std::string longLabel(70, 'x');
    EXPECT_EQ(TokenStore::StemFromLabel(longLabel).size(), kMaxLabelSize);
    // 63 ASCII bytes then a two-byte character: the cut backs off before it.
    const std::string utf8 = std::string(63, 'a') + "é";
    EXPECT_EQ(TokenStore::StemFromLabel(utf8), std::string(63, 'a'));
}

// 400 soft tokens fill the ids 100 to 499; one more gets none rather than 500.
TEST_F(SlotRegistryTest, IdsStayBelow500) {
    const auto bytes = testing::MakeTokenBytes("Many", "secret-1");
    const std::string content(bytes.begin(), bytes.end());
    ASSERT_EQ(store.Locked([] { return CKR_OK; }), CKR_OK);  // makes the folder
    for (int i = 0; i < 401; ++i)
        testing::WriteFile(store.PathOf("t" + std::to_string(1000 + i)), content);
    registry.Scan();
    ASSERT_EQ(registry.slots().size(), 400u);
    EXPECT_EQ(registry.slots().front().id, 100);
    EXPECT_EQ(registry.slots().back().id, 499);
    EXPECT_EQ(registry.FindStem("t1400"), nullptr);
    int id = 0;
    store.Locked([&]() -> int {
        store.RemoveLocked("t1000");
        id = registry.AssignLocked("t1400");
        return CKR_OK;
    });
    EXPECT_EQ(id, 100);  // a freed id goes to the one that waited
}

}  // namespace
}  // namespace orx
