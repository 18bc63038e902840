// No PIN or password leaves the dialog for anything but the card or the token: not
// the module's trace, not orxxctl's, not a file of the module, not a command line
// of a program it starts. Every file the test's folder holds afterwards is read.
#include <filesystem>

#include "softhsm_fixture.h"

namespace orx::testing {
namespace {

class PinSecrecy : public SoftHsmTest {};

TEST_F(PinSecrecy, NoPinInATraceAFileOrACommandLine) {
    const std::vector<std::string> secrets = {"Qz7-pin-4711", "Qz7-so-0815", "Qz7-new-2468",
                                              "Qz7-unl-1357", "Qz7-soft-9999"};
    ASSERT_TRUE(InitToken("Secret Card", secrets[0], secrets[1]));
    ASSERT_EQ(Tool("--write-object '" + Pki("other.key.der") + "' --type privkey --id 07", nullptr,
                   "Secret Card", secrets[0]),
              0);
    ASSERT_EQ(Tool("--write-object '" + Pki("other.der") + "' --type cert --id 07", nullptr,
                   "Secret Card", secrets[0]),
              0);
    const std::string moduleTrace = *env_ / "module-trace.txt";
    const std::string ctlTrace = *env_ / "ctl-trace.txt";
    Restart(Modules({ORX_SOFTHSM2_MODULE}) + "[Trace]\nFile=" + moduleTrace + "\n");
    const int slot = SlotOf("Secret Card");
    ASSERT_NE(slot, 0);

    EXPECT_EQ(InvokeOn(slot, "Login", {"pin wrong-pin", "pin " + secrets[0]}), 0);
    EXPECT_EQ(InvokeOn(slot, "ChangePassword",
                       {"pin " + secrets[0], "pin " + secrets[2], "pin " + secrets[2]}),
              0);
    EXPECT_EQ(InvokeOn(slot, "UnlockPassword",
                       {"pin " + secrets[1], "pin " + secrets[3], "pin " + secrets[3]}),
              0);
    EXPECT_EQ(InvokeOn(slot, "Login", {"pin " + secrets[3]}), 0);
    ASSERT_EQ(Create("Soft", secrets[4]), 0);
    const int soft = std::atoi(Enum("SlotSoft").at(0).c_str());
    EXPECT_EQ(InvokeOn(soft, "Login", {"pin " + secrets[4]}), 0);

    WriteFile(*env_ / "in.txt", "signed\n");
    Script({"pin " + secrets[3]});
    std::string out;
    EXPECT_EQ(Ctl("--trace " + ctlTrace + " file sign " + *env_ / "in.txt " + *env_ / "out.p7s " +
                      Pki("other.pem"),
                  &out),
              0)
        << out;
    app_.reset();

    // The traces were written, and the pinentry log holds the programs' command lines.
    EXPECT_NE(ReadFile(moduleTrace).find("Plg - Login ... done"), std::string::npos);
    EXPECT_NE(ReadFile(ctlTrace).find("Web - Invoke Sign ..."), std::string::npos);
    // orxxctl's --trace takes the module's lines of that process too.
    EXPECT_NE(ReadFile(ctlTrace).find("Plg - Sign ... done"), std::string::npos);
    EXPECT_NE(PinentryLog().find("CMDLINE"), std::string::npos);
    size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(env_->root())) {
        const std::string path = entry.path().string();
        // The test's own script of answers, and SoftHSM's token files.
        if (!entry.is_regular_file() || path == ScriptPath() ||
            path.find("/softhsm/") != std::string::npos)
            continue;
        ++files;
        const std::string content = ReadFile(path);
        for (const std::string& secret : secrets)
            EXPECT_EQ(content.find(secret), std::string::npos) << secret << " in " << path;
    }
    EXPECT_GT(files, 5u);
}

}  // namespace
}  // namespace orx::testing
