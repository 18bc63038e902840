#include "client/trace_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <fstream>

#include "client_gui/layout_checks.h"
#include "support/gui/modal_driver.h"
#include "ui/item_registry.h"
#include "ui_gui/gui_test_support.h"

namespace orx {
namespace {

class TraceWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path = env / "orx.txt";
        testing::WriteFile(path,
                           "[100:100] 00.00.00.001 AdminMain - Trace started\n"
                           "[100:100] 00.00.00.002 Web - PlgInitialize ...\n"
                           "[100:100] 00.00.00.003 Web - PlgInitialize ... done\n");
    }
    void Append(const std::string& text) {
        std::ofstream out(path, std::ios::app | std::ios::binary);
        out << text;
    }
    std::string Shown() const { return window->TextView()->toPlainText().toStdString(); }
    void Open() {
        window = std::make_unique<TraceWindow>(path);
        ASSERT_TRUE(window->Load());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    testing::IsolatedEnvironment env;
    std::string path;
    std::unique_ptr<TraceWindow> window;
};

TEST_F(TraceWindowTest, ShowsTheFileReadOnly) {
    Open();
    EXPECT_EQ(Shown(),
              "[100:100] 00.00.00.001 AdminMain - Trace started\n"
              "[100:100] 00.00.00.002 Web - PlgInitialize ...\n"
              "[100:100] 00.00.00.003 Web - PlgInitialize ... done");
    EXPECT_TRUE(window->TextView()->isReadOnly());
    EXPECT_NE(window->windowTitle().toStdString().find(path), std::string::npos);
    QTest::keyClicks(window->TextView(), "typed");
    EXPECT_EQ(Shown().find("typed"), std::string::npos);
    testing::ExpectSoundLayout(window.get());
    EXPECT_FALSE(testing::SavePicture(window.get(), "trace_window").empty());
    const std::string before = testing::ReadFile(path);
    window->close();
    window.reset();
    EXPECT_EQ(testing::ReadFile(path), before);
}

TEST_F(TraceWindowTest, FollowsTheFileAsItGrows) {
    Open();
    // Half a line is left until its end arrives, also in the middle of a character.
    Append("[100:100] 00.00.00.004 Dlg - caf\xC3");
    window->Follow();
    EXPECT_EQ(Shown().find("00.00.00.004"), std::string::npos);
    Append("\xA9 ok\n[100:100] 00.00.00.005 next\n");
    window->Follow();
    EXPECT_NE(Shown().find("00.00.00.004 Dlg - café ok\n[100:100] 00.00.00.005 next"),
              std::string::npos)
        << Shown();
    // The timer finds new lines by itself.
    Append("[100:100] 00.00.00.006 by the timer\n");
    EXPECT_TRUE(
        ui_testing::WaitFor([&] { return Shown().find("by the timer") != std::string::npos; },
                            TraceWindow::kFollowIntervalMs * 6));
    // Emptied by the size check: the window starts over.
    testing::WriteFile(path, "[1:1] 00.00.00.000 fresh\n");
    window->Follow();
    EXPECT_EQ(Shown(), "[1:1] 00.00.00.000 fresh");
}

TEST_F(TraceWindowTest, FindsWithCtrlFAndF3) {
    Open();
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(window->FindEdit()->hasFocus());
    QTest::keyClicks(window->FindEdit(), "PlgInitialize");
    QTest::keyClick(window->FindEdit(), Qt::Key_Return);
    auto line = [&] { return window->TextView()->textCursor().blockNumber(); };
    EXPECT_EQ(line(), 1);
    EXPECT_EQ(window->TextView()->textCursor().selectedText(), "PlgInitialize");
    QTest::keyClick(window.get(), Qt::Key_F3);
    EXPECT_EQ(line(), 2);
    // Past the last one it starts over at the top.
    QTest::keyClick(window.get(), Qt::Key_F3);
    EXPECT_EQ(line(), 1);
    QTest::keyClick(window.get(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(line(), 2);

    auto* status = FindItemAs<QLabel>(window.get(), kItemFindStatus);
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(status->text().isEmpty());
    window->FindEdit()->setText("nowhere in the file");
    EXPECT_FALSE(window->FindNext());
    EXPECT_EQ(status->text().toStdString(), "The text was not found.");
    EXPECT_EQ(line(), 2);  // the cursor stays where it was
    testing::ExpectSoundLayout(window.get());
}

TEST_F(TraceWindowTest, MissingFileIsSaid) {
    TraceWindow missing(env / "none.txt");
    EXPECT_FALSE(missing.Load());
    auto* status = FindItemAs<QLabel>(&missing, kItemFindStatus);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->text().toStdString(), "The file " + (env / "none.txt") + " cannot be read.");
}

}  // namespace
}  // namespace orx
