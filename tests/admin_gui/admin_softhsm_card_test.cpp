// The administration window with a SoftHSM2 token as a card, unchanged: the module
// offers the token as a card slot, and the window shows it as it shows any card
// (the reader in the slot list, the token's label and serial number in the
// header, its certificate), with its picture for a person to look at.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTest>

#include "admin_fixture.h"
#include "ui/item_registry.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"
#include "ui_gui/gui_test_support.h"

namespace orx {
namespace {

using testing::ScopedEnv;

class AdminSoftHsmCard : public ::testing::Test {
  protected:
    void TearDown() override {
        frame_.reset();
        app_.Finalize();
    }
    static int Run(const std::string& command) {
        return testing::RunCommand(command + " >/dev/null 2>&1");
    }
    static std::string Pki(const std::string& name) {
        return std::string(ORX_CARD_PKI) + "/" + name;
    }

    testing::IsolatedEnvironment env_;
    ScopedEnv pinentry_{"ORX_PINENTRY", ORX_FAKE_PINENTRY};
    ScopedEnv display_{"DISPLAY", nullptr};
    TokenApplication app_;
    AdminSettings settings_;
    message_testing::ScopedMessageSink messages_;
    std::unique_ptr<testing::RecordingFrame> frame_;
};

TEST_F(AdminSoftHsmCard, TheTokenIsShownAsACard) {
    const std::string tool = std::string("pkcs11-tool --module ") + ORX_SOFTHSM2_MODULE +
                             " --login --pin 123456 --write-object ";
    ASSERT_EQ(Run("softhsm2-util --init-token --free --label 'Company Card' --pin 123456 "
                  "--so-pin 87654321"),
              0);
    ASSERT_EQ(Run(tool + Pki("user.key.der") + " --type privkey --id 01"), 0);
    ASSERT_EQ(Run(tool + Pki("user.der") + " --type cert --id 01 --label 'Card User'"), 0);
    testing::WriteFile(env_.userConfigPath(),
                       std::string("[PKCS11]\nModules=") + ORX_SOFTHSM2_MODULE + "\n");

    LoadSettings(settings_);
    app_.StartPlugin();
    frame_ = std::make_unique<testing::RecordingFrame>(app_, settings_);
    ASSERT_TRUE(frame_->Create());
    frame_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame_.get()));
    frame_->List()->OnTimer(kFirstPollTimer);

    // The reader (its long name in two lines), then the components.
    ASSERT_EQ(frame_->List()->count(), 2);
    EXPECT_EQ(ToUtf8(frame_->List()->item(0)->text()).rfind("SoftHSM\nslot ID 0x", 0), 0u);
    frame_->List()->SelectSlot(1);
    CAdminView* view = frame_->View();
    ASSERT_EQ(view->Mode(), kModeToken);
    EXPECT_EQ(view->HeaderLine(1), "Company Card");
    EXPECT_FALSE(view->HeaderLine(2).empty());  // the token's serial number
    COwnerDrawList* list = view->ContentList();
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(ToUtf8(list->topLevelItem(0)->text(0)), "Card User");
    EXPECT_EQ(ToUtf8(list->topLevelItem(0)->text(1)), "Card Test CA");

    // Nothing of it is cut.
    QApplication::processEvents();
    for (int id : {kIdHeaderLine1, kIdHeaderLine2}) {
        auto* line = FindItemAs<QLabel>(view->Form(), id);
        ASSERT_NE(line, nullptr);
        EXPECT_GE(line->width(), line->sizeHint().width()) << id;
    }
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0);
    for (int column = 0; column < list->columnCount(); ++column)
        EXPECT_GE(list->header()->sectionSize(column), list->header()->sectionSizeHint(column));
    EXPECT_FALSE(testing::SavePicture(frame_.get(), "admin_softhsm_card").empty());
    EXPECT_TRUE(messages_.Messages().empty());
}

}  // namespace
}  // namespace orx
