// What no real module does on demand, with the tests' mock PKCS#11 module loaded
// through "PKCS11"/"Modules": PINs counted down to locked, a PIN pad, tokens that
// come and go with and without slot events, a reader with more than three tokens,
// a module that fails, readers that are not accepted, logins that time out, and a
// key whose certificate the card has no room for.
#include <thread>

#include "core/base64.h"
#include "pkcs11_fixture.h"

namespace orx::testing {
namespace {

using namespace std::chrono_literals;

class MockCards : public Pkcs11Test {};

TEST_F(MockCards, TokensOfAReaderFillItsGroupAfterTheVirtualReaders) {
    AddReader("Desk");  // the virtual readers' group comes first: slots 1 to 3
    const std::string mock = Mock("mock",
                                  "slot=5;Reader A;Alpha;\n"
                                  "slot=2;Reader A;Beta;\n"
                                  "slot=3;Reader B;;\n"
                                  "slot=4;Reader C;Unready;blank\n"
                                  "slot=9;Reader D;One;\nslot=10;Reader D;Two;\n"
                                  "slot=11;Reader D;Three;\nslot=12;Reader D;Four;\n");
    Restart(Modules({mock}));
    EXPECT_EQ(Enum("SlotCard"),
              (std::vector<std::string>{"1;Desk;", "2;Desk;", "3;Desk;", "4;Reader A;Beta",
                                        "5;Reader A;Alpha", "6;Reader A;", "7;Reader D;One",
                                        "8;Reader D;Two", "9;Reader D;Three"}));
    const std::vector<std::string> tokens = Enum("Token");
    EXPECT_EQ(std::vector<std::string>(tokens.begin(), tokens.end()),
              (std::vector<std::string>{"4;Beta", "5;Alpha", "7;One", "8;Two", "9;Three"}));
    app_->SetActiveSlot(5);
    const std::string info = Get("TokenInfo").value_or("");
    EXPECT_EQ(info, "5;Alpha;MOCK5;Mock;Smart Card;" + mock + ";Mock Card;4-8;Reader A;;");
    // An id of a group without a token there, and a reader without a card, have none.
    app_->SetActiveSlot(6);
    EXPECT_EQ(Get("TokenInfo"), std::nullopt);
    EXPECT_EQ(InvokeOn(6, "Login", {}), 224);
}

TEST_F(MockCards, WrongPinsCountDownToLockedAndThePukUnlocks) {
    Restart(Modules({Mock("mock", "slot=1;Reader;Card;\n")}));
    // A PIN the token's length range refuses is not tried on the card.
    EXPECT_EQ(InvokeOn(1, "Login", {"pin 12", "pin 1111", "pin 2222", "pin 3333", "pin unused"}),
              164);
    EXPECT_EQ(ScriptLeft(), "pin unused\n");
    const std::string asked = PinentryLog();
    EXPECT_NE(asked.find("SETERROR The PIN must have 4 to 8 characters."), std::string::npos);
    EXPECT_NE(asked.find("Only a few tries are left."), std::string::npos);
    EXPECT_NE(asked.find("One more wrong one locks it."), std::string::npos);
    const std::string calls = MockLog("mock");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), '\n'),
              std::count(calls.begin(), calls.end(), 'C'));  // one call a line
    EXPECT_EQ(calls.find("C_Login user\nC_Login user\nC_Login user\n") != std::string::npos, true);
    EXPECT_EQ(Info(1, 9), "locked");

    // Locked: even the right PIN is not asked for, and every PIN operation says so.
    EXPECT_EQ(InvokeOn(1, "Login", {"pin 123456"}), 164);
    EXPECT_EQ(InvokeOn(1, "ChangePassword", {"pin 123456"}), 164);
    EXPECT_EQ(ScriptLeft(), "pin 123456\n");

    // The PUK (the security officer's PIN) and a new PIN twice unlock it.
    EXPECT_EQ(
        InvokeOn(1, "UnlockPassword", {"pin 00000000", "pin 87654321", "pin 4321", "pin 4321"}), 0);
    EXPECT_NE(PinentryLog().find("SETERROR The PUK is incorrect. Only a few tries are left."),
              std::string::npos);
    EXPECT_NE(MockLog("mock").find("C_Login so\nC_Login so\nC_InitPIN\nC_Logout\n"),
              std::string::npos);
    EXPECT_EQ(Info(1, 9), "");
    EXPECT_EQ(Info(1, 10), "");  // the right PUK gave its tries back
    EXPECT_EQ(InvokeOn(1, "Login", {"pin 123456"}), 0);
    EXPECT_TRUE(LoggedIn(1));
}

TEST_F(MockCards, APinPadIsAskedOnTheReaderWhilePinentryShowsAMessage) {
    Restart(Modules({Mock("mock", "slot=1;Pad Reader;Card;pinpad\n")}));
    EXPECT_EQ(InvokeOn(1, "Login", {"pin never-asked"}), 0);
    EXPECT_TRUE(LoggedIn(1));
    EXPECT_EQ(InvokeOn(1, "ChangePassword", {"pin never-asked"}), 0);
    EXPECT_EQ(ScriptLeft(), "pin never-asked\n");
    const std::string asked = PinentryLog();
    EXPECT_EQ(asked.find("GETPIN"), std::string::npos);
    EXPECT_NE(asked.find("SETDESC Enter the PIN of \"Card\" on the reader's PIN pad."),
              std::string::npos);
    EXPECT_NE(MockLog("mock").find("C_Login user pinpad\n"), std::string::npos);
    EXPECT_NE(MockLog("mock").find("C_SetPIN pinpad\n"), std::string::npos);
}

TEST_F(MockCards, TokensComeAndGoWithAndWithoutSlotEvents) {
    for (const bool events : {true, false}) {
        SCOPED_TRACE(events ? "slot events" : "slot list");
        const std::string name = events ? "events" : "plain";
        const std::string head = events ? "events=1\n" : "";
        Restart(Modules({Mock(name, head + "slot=1;Reader;;\n")}));
        EXPECT_TRUE(Enum("SlotCard").empty());
        DrainSlotEvents();
        EXPECT_EQ(Get("HaveSlotEvent"), "false");

        MockConf(name, head + "slot=1;Reader;Card;\n");
        EXPECT_EQ(Get("HaveSlotEvent"), "true");
        EXPECT_EQ(Get("HaveSlotEvent"), "false");  // once
        EXPECT_EQ(Enum("Token"), std::vector<std::string>{"1;Card"});
        EXPECT_EQ(InvokeOn(1, "Login", {"pin 123456"}), 0);

        MockConf(name, head + "slot=1;Reader;;\n");
        EXPECT_EQ(Get("HaveSlotEvent"), "true");
        EXPECT_TRUE(Enum("Token").empty());
        EXPECT_FALSE(LoggedIn(1));
        // Back in the same reader: the same id, and the login is gone with the card.
        MockConf(name, head + "slot=1;Reader;Card;\n");
        EXPECT_EQ(Get("HaveSlotEvent"), "true");
        EXPECT_EQ(Enum("Token"), std::vector<std::string>{"1;Card"});
        EXPECT_FALSE(LoggedIn(1));
        EXPECT_EQ(MockLog(name).find("event ") != std::string::npos, events);
    }
}

TEST_F(MockCards, AModuleThatFailsIsLeftOutAndLookedForAgain) {
    const std::string trace = *env_ / "trace.txt";
    const std::string broken = Mock("broken", "init=fail\nslot=1;Late Reader;Late;\n");
    const std::string good = Mock("good", "slot=1;Reader;Card;\n");
    Restart(Modules({broken, good}) + "[Smart Card Reader]\nDetect=1\n[Trace]\nFile=" + trace +
            "\n");
    EXPECT_EQ(Enum("Token"), std::vector<std::string>{"1;Card"});
    EXPECT_EQ(InvokeOn(1, "Login", {"pin 123456"}), 0);
    EXPECT_NE(ReadFile(trace).find("broken.so failed to initialise (0x30)"), std::string::npos);
    DrainSlotEvents();

    // "Detect": a second later the module is tried again, and works now.
    MockConf("broken", "slot=1;Late Reader;Late;\n");
    std::this_thread::sleep_for(1100ms);
    EXPECT_EQ(Get("HaveSlotEvent"), "true");
    EXPECT_EQ(Enum("Token"), (std::vector<std::string>{"1;Card", "4;Late"}));
    EXPECT_TRUE(LoggedIn(1));
}

TEST_F(MockCards, OnlyAcceptedReadersAreUsed) {
    const std::string mock = Mock("mock", "slot=1;Reader One;First;\nslot=2;Reader Two;Second;\n");
    Restart(Modules({mock}) + "[Smart Card Reader]\nAccepted=reader two;Elsewhere;\n");
    EXPECT_EQ(Enum("Token"), std::vector<std::string>{"1;Second"});
    DrainSlotEvents();
    // The settings dialog writes the machine-wide value and applies it.
    app_->SetProperty("ConfigGlobal:Smart Card Reader:Accepted", "Elsewhere;");
    WriteFile(env_->userConfigPath(), Modules({mock}));
    EXPECT_EQ(app_->Invoke("ApplyConfig"), 0);
    EXPECT_EQ(Get("HaveSlotEvent"), "true");
    EXPECT_TRUE(Enum("Token").empty());
    EXPECT_TRUE(Enum("SlotCard").empty());
}

TEST_F(MockCards, IdleLoginsEndAfterTheLockTimeoutSoftTokensToo) {
    Restart(Modules({Mock("mock", "slot=1;Reader;Card;\n")}) +
            "[Smart Card Reader]\nLockTimeout=1\n");
    ASSERT_EQ(Create("Soft", "soft-password"), 0);
    const int soft = std::atoi(Enum("SlotSoft").at(0).c_str());
    EXPECT_EQ(InvokeOn(soft, "Login", {"pin soft-password"}), 0);
    EXPECT_EQ(InvokeOn(1, "Login", {"pin 123456"}), 0);
    EXPECT_TRUE(LoggedIn(1));
    EXPECT_TRUE(LoggedIn(soft));
    std::this_thread::sleep_for(1100ms);
    EXPECT_FALSE(LoggedIn(1));
    EXPECT_FALSE(LoggedIn(soft));
    EXPECT_NE(MockLog("mock").find("C_Logout"), std::string::npos);
}

TEST_F(MockCards, AKeyComesWithItsCertificateOrNotAtAll) {
    const std::string p12 = ORX_CARD_PKI "/user.p12";
    Restart(Modules({Mock("mock", "refuse=1\nslot=1;Reader;Card;\n")}));
    ASSERT_EQ(InvokeOn(1, "Login", {"pin 123456"}), 0);
    app_->SetActiveSlot(1);
    app_->SetProperty("Certificate", Base64Encode(std::string_view(ReadFile(p12))).c_str());
    Script({"pin p12-password"});
    // The card takes the key, then has no room for the certificate: the key goes again.
    EXPECT_EQ(app_->Invoke("WriteCertificate"), 49);
    const std::string calls = MockLog("mock");
    EXPECT_NE(calls.find("C_CreateObject 3\nC_CreateObject 2\nC_CreateObject 1 refused\n"
                         "C_DestroyObject 3\nC_DestroyObject 2\n"),
              std::string::npos)
        << calls;
    EXPECT_TRUE(Enum("CertificateEx").empty());
}

TEST_F(MockCards, ThisProductsOwnModulesAreNeverLoaded) {
    const std::string own = Mock("orx-pkcs11", "slot=1;Reader;Own;\n");
    Restart(Modules({own}));
    EXPECT_TRUE(Enum("Token").empty());
    EXPECT_EQ(MockLog("orx-pkcs11"), "");
}

}  // namespace
}  // namespace orx::testing
