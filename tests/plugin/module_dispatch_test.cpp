// How the module finds what answers a name: operations whatever their letter case,
// properties only by their exact name.
#include "module_fixture.h"

namespace orx::testing {
namespace {

using ModuleDispatch = ModuleTest;

// Without a token, inputs or settings every operation answers what it answers on
// its own, never "not supported" (84), in any letter case.
TEST_F(ModuleDispatch, EveryOperationIsFoundInAnyLetterCase) {
    struct Case {
        const char* name;
        int result;
    };
    const Case cases[] = {
        {"createtoken", 7},        // no label
        {"DELETETOKEN", 224},      // no token in the active slot
        {"login", 224},            //
        {"changePassword", 224},   //
        {"unlockpassword", 84},    // a soft token has no PUK: the card code says so
        {"createCARD", 7},         // no label and file
        {"insertcard", 7},         // no file
        {"REMOVECARD", 7},         // no reader
        {"writecertificate", 7},   // nothing given
        {"deleteCertificate", 7},  //
        {"updateobject", 7},       // no value
        {"UPDATE", 84},            // no update link is set
        {"sign", 7},               // no certificate, no data
        {"Decrypt", 7},            //
        {"VERIFY", 7},             //
        {"encrypt", 7},            //
        {"reset", 0},              //
        {"REFRESH", 0},            //
        {"applyconfig", 0},        //
        {"NoSuchOperation", 84},   //
        {"Login ", 84},            // names are compared whole
    };
    for (const Case& c : cases)
        EXPECT_EQ(app_->Invoke(c.name), c.result) << c.name;
}

TEST_F(ModuleDispatch, PropertiesAnswerOnlyToTheirExactName) {
    EXPECT_EQ(Get("ActiveSlot"), "0");
    EXPECT_EQ(Get("LoggedIn"), "false");
    EXPECT_TRUE(Get("Version").has_value());
    EXPECT_FALSE(Enum("Component").empty());
    for (const char* other : {"activeslot", "LOGGEDIN", "version", "ActiveSlot "})
        EXPECT_EQ(Get(other), std::nullopt) << other;
    for (const char* other : {"component", "SLOTCARD", "slot", "certificateex"})
        EXPECT_TRUE(Enum(other).empty()) << other;
    // A name that differs only in case is an input of its own.
    app_->SetProperty("activeslot", "7");
    EXPECT_EQ(Get("activeslot"), "7");
    EXPECT_EQ(Get("ActiveSlot"), "0");
}

}  // namespace
}  // namespace orx::testing
