#include "support/gui/modal_driver.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>

namespace orx {
namespace {

using ui_testing::RunModal;

// A dialog that neither Escape, the close box nor its own end code ends.
class Stubborn : public QDialog {
  public:
    void done(int) override {}

  protected:
    void reject() override {}
    void closeEvent(QCloseEvent* e) override { e->ignore(); }
};

TEST(ModalDriver, ForcesAStubbornWindowInsteadOfHanging) {
    Stubborn dialog;
    QElapsedTimer clock;
    clock.start();
    const auto run = RunModal([&] { return dialog.exec(); }, nullptr, 300);
    EXPECT_TRUE(run.appeared);
    EXPECT_TRUE(run.timedOut);
    EXPECT_FALSE(run.ok());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST(ModalDriver, NestedBoxOpenedByTheActionIsDrivenAndClosed) {
    QDialog outer;
    int inner = -1;
    const auto run =
        RunModal([&] { return outer.exec(); },
                 [&](QWidget*) {
                     QMessageBox box(QMessageBox::Information, "t", "x", QMessageBox::Ok, &outer);
                     const auto nested = RunModal(
                         [&] { return box.exec(); },
                         [](QWidget* w) { EXPECT_NE(qobject_cast<QMessageBox*>(w), nullptr); });
                     EXPECT_TRUE(nested.ok()) << nested.error;
                     inner = nested.result;
                     EXPECT_TRUE(outer.isVisible());
                     outer.accept();
                 });
    EXPECT_TRUE(run.ok()) << run.error;
    EXPECT_FALSE(run.closedByDriver);
    EXPECT_EQ(run.result, QDialog::Accepted);
    EXPECT_NE(inner, -1);
}

}  // namespace
}  // namespace orx
