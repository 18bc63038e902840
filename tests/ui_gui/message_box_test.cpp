#include "dialogs/message_box.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <string>

#include "core/config_file.h"
#include "core/language.h"
#include "core/trace.h"
#include "dialogs/plugin_error.h"
#include "support/gui/help_links.h"
#include "support/gui/message_sink.h"
#include "support/test_environment.h"

namespace orx {
namespace {

using message_testing::ScopedMessageSink;

class MessageBoxTest : public ::testing::Test {
  protected:
    testing::IsolatedEnvironment env;
    ScopedMessageSink sink;
    void TearDown() override { account_testing::SetSystemAccount(std::nullopt); }
};

constexpr const char* kErrorLink = "https://help.example/errors";

TEST_F(MessageBoxTest, ErrorForWrongPasswordCarriesCodeAndLink) {
    ASSERT_EQ(ConfigWriteString("Links", "Error", kErrorLink), kConfigOk);
    account_testing::SetSystemAccount(false);
    EXPECT_EQ(MapPluginError(nullptr, 160), 1);
    ASSERT_EQ(sink.Messages().size(), 1u);
    const auto& m = sink.Messages()[0];
    EXPECT_EQ(m.text, std::string("Password is incorrect. (E6)\n\n") + kErrorLink);
    EXPECT_EQ(m.link, kErrorLink);
    EXPECT_EQ(m.style, kMbIconExclamation | kMbOk);
    EXPECT_EQ(m.caption, GetTitleText(1005));
}

TEST_F(MessageBoxTest, NoLinkUnderSystemAccountOrWithoutConfiguration) {
    account_testing::SetSystemAccount(false);
    ShowError(nullptr, 2006);
    ASSERT_EQ(ConfigWriteString("Links", "Error", kErrorLink), kConfigOk);
    account_testing::SetSystemAccount(true);
    ShowError(nullptr, 2006);
    ASSERT_EQ(sink.Messages().size(), 2u);
    for (const auto& m : sink.Messages()) {
        EXPECT_EQ(m.text, "Password is incorrect. (E6)");
        EXPECT_EQ(m.link, "");
    }
}

TEST_F(MessageBoxTest, CaptionIsPlainBesideAnOwner) {
    QWidget owner;
    ShowError(&owner, 2003);
    AskQuestion(&owner, 2209);
    ShowInformation(&owner, 2119);
    ShowError(nullptr, 2003);
    ASSERT_EQ(sink.Messages().size(), 4u);
    EXPECT_EQ(sink.Messages()[0].caption, "Error");
    EXPECT_EQ(sink.Messages()[1].caption, "Question");
    EXPECT_EQ(sink.Messages()[2].caption, "Message");
    EXPECT_EQ(sink.Messages()[3].caption, "Error - Orvex");
    EXPECT_EQ(sink.Messages()[0].owner, &owner);
}

TEST_F(MessageBoxTest, QuestionAnswersAreReturned) {
    sink.QueueAnswer(6);
    sink.QueueAnswer(7);
    sink.QueueAnswer(-1);  // the box could not be shown at all
    EXPECT_EQ(AskQuestion(nullptr, 2209), 6);
    EXPECT_EQ(AskQuestion(nullptr, 2209), 7);
    EXPECT_EQ(AskQuestion(nullptr, 2209), 2);
    const auto& m = sink.Messages()[0];
    EXPECT_EQ(m.style, kMbIconQuestion | kMbYesNo);
    EXPECT_EQ(m.text, "File exists. Do you want to replace the existing file?");
}

TEST_F(MessageBoxTest, InsertTextFormats) {
    EXPECT_EQ(FormatWithInsert("Delete %s?", "card"), "Delete card?");
    EXPECT_EQ(FormatWithInsert("100%% sure about %s", "x"), "100% sure about x");
    EXPECT_EQ(FormatWithInsert("%s and %s", "a"), "a and %s");
    EXPECT_EQ(FormatWithInsert("%d stays", "a"), "%d stays");
    EXPECT_EQ(FormatWithInsert("empty %s.", ""), "empty .");
    EXPECT_EQ(FormatWithInsert("trailing %", "a"), "trailing %");
}

TEST_F(MessageBoxTest, InformationLinksOnlyForItsRange) {
    account_testing::SetSystemAccount(false);
    ASSERT_EQ(ConfigWriteString("Links", "Support", "https://support.example"), kConfigOk);
    ShowInformation(nullptr, 2119);
    ShowInformation(nullptr, 2300);
    ASSERT_EQ(ConfigWriteString("Links", "Help", "https://help.example"), kConfigOk);
    ShowInformation(nullptr, 2399);
    ShowInformation(nullptr, 2400);
    ASSERT_EQ(sink.Messages().size(), 4u);
    EXPECT_EQ(sink.Messages()[0].link, "");
    EXPECT_EQ(sink.Messages()[1].link, "https://support.example");  // Help empty: Support
    EXPECT_EQ(sink.Messages()[2].link, "https://help.example");
    EXPECT_EQ(sink.Messages()[3].link, "");
}

TEST_F(MessageBoxTest, LinkByStyle) {
    ASSERT_EQ(ConfigWriteString("Links", "Error", "https://e.example"), kConfigOk);
    ASSERT_EQ(ConfigWriteString("Links", "Help", "https://h.example"), kConfigOk);
    EXPECT_EQ(HelpLinkFor(kMbIconExclamation), "https://e.example");
    EXPECT_EQ(HelpLinkFor(kMbIconStop), "https://e.example");
    EXPECT_EQ(HelpLinkFor(kMbIconInformation), "https://h.example");
    EXPECT_EQ(HelpLinkFor(kMbIconQuestion), "");
    EXPECT_EQ(HelpLinkFor(kMbOk), "");
}

TEST_F(MessageBoxTest, EveryPluginCodeHasItsText) {
    const std::pair<int, const char*> cases[] = {
        {1, "Operation canceled. (E3)"},
        {2, "Out of memory. (E4)"},
        {49, "Out of memory. (E4)"},
        {6, "Operation failed. (E10)"},
        {19, "Bad content. (E37)"},
        {104, "Operation not allowed. (E25)"},
        {106, "Operation not allowed. (E25)"},
        {160, "Password is incorrect. (E6)"},
        {161, "Password is invalid. (E7)"},
        {162, "Password too short or too long. (E8)"},
        {164, "Password is locked. (E9)"},
        {224, "Smart card not present. (E5)"},
        {163, "Unexpected error in underlying security system. (E0)"},
        {-1, "Unexpected error in underlying security system. (E0)"},
    };
    for (const auto& [code, text] : cases) {
        MapPluginError(nullptr, code);
        ASSERT_FALSE(sink.Messages().empty());
        EXPECT_EQ(sink.Messages().back().text, text) << code;
    }
}

TEST_F(MessageBoxTest, TracesCaptionTextAndResult) {
    const std::string trace = env / "trace.txt";
    TraceSetFile(trace);
    sink.QueueAnswer(7);
    AskQuestion(nullptr, 2209);
    TraceSetFile(nullptr);
    const std::string log = testing::ReadFile(trace);
    EXPECT_NE(log.find("MessageBox - 'Question - "), std::string::npos) << log;
    EXPECT_NE(log.find("MessageBox - 'File exists. Do you want to replace the existing file?'"),
              std::string::npos);
    EXPECT_NE(log.find("MessageBox - Return 7"), std::string::npos);
}

}  // namespace
}  // namespace orx
