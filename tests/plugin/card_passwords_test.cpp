// Card passwords through the real module: per-application logins, the retry
// counters that lock a password after three wrong ones, the PUK that unblocks it
// and locks itself after its own tries, and counters that a killed process
// cannot give back.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "card_fixture.h"
#include "cardfile/card_file.h"

namespace orx::testing {
namespace {

constexpr const char* kPuk = "puk-12345678";
constexpr const char* kPassword = "card-pass";

class CardPasswords : public CardTest {
  protected:
    void SetUp() override {
        CardTest::SetUp();
        ASSERT_EQ(MakeCard(Path("p.card"), "Personal", kPuk, kPassword), 0);
        AddReader("Desk");
        AddReader("Laptop");
        ASSERT_EQ(Insert("Laptop", Path("p.card")), 0);  // slots 4, 5, 6
        card_ = Readers() + "Laptop/card.card";
    }
    CardFile OnDisk() {
        CardFile card;
        EXPECT_EQ(ParseCardFile(ReadBytes(card_), card), CKR_OK);
        return card;
    }
    int Invoke(int slot, const char* operation, std::initializer_list<std::string> answers) {
        Script(answers);
        app_->SetActiveSlot(slot);
        return app_->Invoke(operation);
    }
    std::string card_;
};

TEST_F(CardPasswords, LoginsBelongToOneApplication) {
    EXPECT_EQ(Invoke(4, "Login", {"pin " + std::string(kPassword)}), 0);
    EXPECT_EQ(Get("LoggedIn"), "true");
    app_->SetActiveSlot(5);
    EXPECT_EQ(Get("LoggedIn"), "false");
    EXPECT_EQ(Invoke(4, "Login", {"pin never-asked"}), 0);  // already logged in
    EXPECT_EQ(ScriptLeft(), "pin never-asked\n");

    // Taken out and put back: the login ended with the card.
    ASSERT_EQ(Remove("Laptop"), 0);
    app_->SetActiveSlot(4);
    EXPECT_EQ(Get("LoggedIn"), "false");
    ASSERT_EQ(Insert("Laptop", Path("p.card")), 0);
    app_->SetActiveSlot(4);
    EXPECT_EQ(Get("LoggedIn"), "false");
}

TEST_F(CardPasswords, TheThirdWrongPasswordLocksAndThePukUnblocks) {
    // Two wrong, then right: the tries come back.
    EXPECT_EQ(
        Invoke(5, "Login", {"pin wrong-one", "pin wrong-two", "pin " + std::string(kPassword)}), 0);
    EXPECT_EQ(OnDisk().applications[1].triesLeft, 3);
    app_.reset();
    app_ = Start();

    // The third wrong password in a row locks the application, across operations.
    EXPECT_EQ(Invoke(5, "Login", {"pin wrong-one", "cancel"}), 1);
    EXPECT_EQ(OnDisk().applications[1].triesLeft, 2);
    EXPECT_EQ(Invoke(5, "ChangePassword", {"pin wrong-two", "pin wrong-three", "pin unused"}), 164);
    EXPECT_EQ(ScriptLeft(), "pin unused\n");
    EXPECT_EQ(OnDisk().applications[1].triesLeft, 0);
    app_->SetActiveSlot(5);
    EXPECT_EQ(FieldOf(Get("TokenInfo").value_or(""), 9), "0/3");

    // Locked: even the right password is refused, without asking for it, and the
    // other applications work.
    EXPECT_EQ(Invoke(5, "Login", {"pin " + std::string(kPassword)}), 164);
    EXPECT_EQ(ScriptLeft(), "pin " + std::string(kPassword) + "\n");
    EXPECT_EQ(OnDisk().applications[1].triesLeft, 0);
    EXPECT_EQ(Invoke(4, "Login", {"pin " + std::string(kPassword)}), 0);
    EXPECT_EQ(OnDisk().applications[0].triesLeft, 3);

    // A wrong PUK counts down, the right one unblocks with a new password.
    EXPECT_EQ(Invoke(5, "UnlockPassword",
                     {"pin wrong-puk", "pin " + std::string(kPuk), "pin new-pass", "pin new-pass"}),
              0);
    const CardFile after = OnDisk();
    EXPECT_EQ(after.applications[1].triesLeft, 3);
    EXPECT_EQ(after.pukTriesLeft, kCardPukTries);
    EXPECT_EQ(Invoke(5, "Login", {"pin " + std::string(kPassword), "pin new-pass"}), 0);
    EXPECT_EQ(Get("LoggedIn"), "true");
    // The other applications keep their passwords.
    app_->SetActiveSlot(6);
    EXPECT_EQ(Invoke(6, "Login", {"pin " + std::string(kPassword)}), 0);
}

TEST_F(CardPasswords, ThePukLocksAfterItsTries) {
    std::initializer_list<std::string> wrong = {"pin bad-puk-1", "pin bad-puk-2", "pin bad-puk-3"};
    EXPECT_EQ(Invoke(4, "UnlockPassword", wrong), 160);
    EXPECT_EQ(OnDisk().pukTriesLeft, kCardPukTries - 3);
    EXPECT_EQ(Invoke(4, "UnlockPassword", wrong), 164);
    EXPECT_EQ(ScriptLeft(), "pin bad-puk-3\n");  // the fifth wrong PUK was the last
    EXPECT_EQ(OnDisk().pukTriesLeft, 0);
    EXPECT_EQ(
        Invoke(4, "UnlockPassword", {"pin " + std::string(kPuk), "pin new-pass", "pin new-pass"}),
        164);
    // The passwords themselves still work.
    EXPECT_EQ(Invoke(4, "Login", {"pin " + std::string(kPassword)}), 0);
}

TEST_F(CardPasswords, ChangingThePasswordOfOneApplication) {
    EXPECT_EQ(Invoke(6, "Login", {"pin " + std::string(kPassword)}), 0);
    // New passwords must agree and keep the length rules, as on soft tokens.
    EXPECT_EQ(Invoke(6, "ChangePassword",
                     {"pin " + std::string(kPassword), "pin short", "pin short", "pin changed-1",
                      "pin changed-2", "pin changed-6", "pin changed-6"}),
              0);
    app_->SetActiveSlot(6);
    EXPECT_EQ(Get("LoggedIn"), "true");  // the key did not change
    auto other = Start();
    other->SetActiveSlot(6);
    Script({"pin " + std::string(kPassword), "pin changed-6"});
    EXPECT_EQ(other->Invoke("Login"), 0);
    EXPECT_EQ(ScriptLeft(), "");
    other->SetActiveSlot(4);
    Script({"pin " + std::string(kPassword)});
    EXPECT_EQ(other->Invoke("Login"), 0);
    // A soft token has no PUK.
    ASSERT_EQ(Create("Soft", "soft-pass"), 0);
    EXPECT_EQ(Invoke(100, "UnlockPassword", {"pin soft-pass"}), 84);
    EXPECT_EQ(Invoke(7, "UnlockPassword", {"pin " + std::string(kPuk)}), 224);
}

// The try is spent on disk before the password is tried: a process killed while
// it checks a password (the right one, even) cannot give the try back.
TEST_F(CardPasswords, AKilledCheckKeepsItsTrySpent) {
    // An expensive card, so that the check takes long enough to be caught.
    ScopedEnv costly("ORX_TOKEN_KDF_LOG2N", nullptr);
    ASSERT_EQ(MakeCard(Path("slow.card"), "Slow", kPuk, kPassword), 0);
    ASSERT_EQ(Insert("Desk", Path("slow.card")), 0);  // slots 1, 2, 3
    const std::string path = Readers() + "Desk/card.card";
    Script({"pin " + std::string(kPassword)});
    app_->SetActiveSlot(1);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        _exit(app_->Invoke("Login"));
    bool caught = false;
    for (int i = 0; i < 20000 && !caught; ++i) {
        CardFile card;
        if (ParseCardFile(ReadBytes(path), card) == CKR_OK && card.applications[0].triesLeft == 2) {
            kill(child, SIGKILL);
            caught = true;
        } else {
            usleep(200);
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(caught) << "the try was never seen spent";
    ASSERT_TRUE(WIFSIGNALED(status)) << "the check ended before it could be killed";
    CardFile card;
    ASSERT_EQ(ParseCardFile(ReadBytes(path), card), CKR_OK);
    EXPECT_EQ(card.applications[0].triesLeft, 2);
    // The card is whole and the right password gives every try back.
    Script({"pin " + std::string(kPassword)});
    app_->SetActiveSlot(1);
    EXPECT_EQ(app_->Invoke("Login"), 0);
    ASSERT_EQ(ParseCardFile(ReadBytes(path), card), CKR_OK);
    EXPECT_EQ(card.applications[0].triesLeft, 3);
}

// Two processes that try wrong passwords at the same time each spend a try: the
// counter is read and written under the reader's lock.
TEST_F(CardPasswords, TriesOfTwoProcessesAddUp) {
    std::vector<pid_t> children;
    for (int i = 0; i < 2; ++i) {
        const std::string script = Path("script-" + std::to_string(i));
        WriteFile(script, "pin wrong-" + std::to_string(i) + "\ncancel\n");
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            setenv("FAKE_PINENTRY_SCRIPT", script.c_str(), 1);
            app_->SetActiveSlot(4);
            _exit(app_->Invoke("Login"));
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);  // cancelled after the wrong one
    }
    EXPECT_EQ(OnDisk().applications[0].triesLeft, 1);
    // The last try locks.
    EXPECT_EQ(Invoke(4, "Login", {"pin wrong-2"}), 164);
}

}  // namespace
}  // namespace orx::testing
