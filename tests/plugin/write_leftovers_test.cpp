// What a writer killed between its new file and the rename leaves behind: every
// folder the module writes by rename is cleared of it by the next writer that
// holds the folder's lock, and nothing else in the folder is touched.
#include <filesystem>

#include "card_fixture.h"
#include "core/base64.h"
#include "test_certificates.h"

namespace orx::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDeadSuffix = ".new-0123456789ab";

class WriteLeftovers : public CardTest {
  protected:
    void Plant(const std::string& path) { WriteFile(path, "left by a writer that died"); }
    std::string MyStore() const { return *env_ / "data/orx/stores/MY/"; }
};

TEST_F(WriteLeftovers, TheNextWriterUnderTheSameLockRemovesThem) {
    ASSERT_EQ(MakeCard(Path("c.card"), "Dead Writer", "puk-12345678", "card-pass"), 0);
    ASSERT_EQ(Insert("Reader", Path("c.card")), 0);
    ASSERT_EQ(Create("Soft", "soft-pass"), 0);
    const std::string reader = Readers() + "Reader/";
    const std::string tokens = TokenFolder();
    ASSERT_TRUE(MakeFolders(MyStore()));

    const std::vector<std::string> leftovers = {
        reader + "card.card" + kDeadSuffix,
        tokens + "my-store.idx" + kDeadSuffix,
        tokens + "Soft.tkn" + kDeadSuffix,
        tokens + "slots.idx" + kDeadSuffix,
        MyStore() + ".0123456789abcdef0123456789abcdef01234567.cer.Ab3xYz",
    };
    // Names that only look alike are the user's, and stay.
    const std::vector<std::string> kept = {
        reader + "card.card.new-0123",
        reader + "notes.new-0123456789abX",
        tokens + ".new-0123456789ab",
        tokens + "report.new-0123456789abcd",
        MyStore() + "0123456789abcdef0123456789abcdef01234567.cer.Ab3xYz",
        MyStore() + ".notes.txt.Ab3xYz",
    };
    for (const std::string& path : leftovers)
        Plant(path);
    for (const std::string& path : kept)
        Plant(path);

    // A login on the card spends and gives back a try under the reader's lock; a
    // certificate on the soft token is written under the tokens' lock and brings a
    // propagation pass into "MY" with it.
    app_->SetActiveSlot(1);
    Script({"pin card-pass"});
    ASSERT_EQ(app_->Invoke("Login"), 0);
    const auto der = MakeDer({"Leftover", "Test CA", "digitalSignature", "20301231235959Z", 31});
    app_->SetActiveSlot(100);
    app_->SetProperty("Certificate", Base64Encode(der).c_str());
    Script({"pin soft-pass"});
    ASSERT_EQ(app_->Invoke("WriteCertificate"), 0);

    for (const std::string& path : leftovers)
        EXPECT_FALSE(PathExists(path)) << path;
    for (const std::string& path : kept)
        EXPECT_TRUE(PathExists(path)) << path;
    // What the writers meant to write is there and whole.
    EXPECT_EQ(Enum("CertificateEx").size(), 1u);
    EXPECT_TRUE(PathExists(tokens + "my-store.idx"));
    EXPECT_EQ(Enum("Token").size(), 4u);
}

}  // namespace
}  // namespace orx::testing
