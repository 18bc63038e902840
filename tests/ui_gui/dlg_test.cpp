#include "dialogs/dlg.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <thread>
#include <vector>

#include "dialogs/window_registry.h"
#include "support/gui/dlg_windows.h"
#include "support/gui/modal_driver.h"
#include "support/test_environment.h"
#include "ui/dialog_templates.h"
#include "ui/item_registry.h"
#include "ui/wait_cursor.h"

namespace orx {
namespace {

using ui_testing::RunModal;

constexpr int kTestTemplate = 9001;
constexpr int kButton = 100;
constexpr int kEdit = 101;
constexpr int kCheck = 102;
constexpr int kLabel = 103;
constexpr int kCombo = 104;
constexpr int kList = 105;

bool BuildTestTemplate(QWidget* dialog) {
    auto add = [dialog](QWidget* w, int id, int y) {
        w->setParent(dialog);
        w->setGeometry(10, y, 200, 24);
        RegisterItem(w, id);
    };
    add(new QPushButton(QStringLiteral("Go")), kButton, 10);
    add(new QLineEdit(), kEdit, 40);
    add(new QCheckBox(QStringLiteral("Check")), kCheck, 70);
    add(new QLabel(QStringLiteral("Label")), kLabel, 100);
    auto* combo = new QComboBox();
    combo->addItems({QStringLiteral("a"), QStringLiteral("b")});
    add(combo, kCombo, 130);
    auto* list = new QListWidget();
    list->addItems({QStringLiteral("x"), QStringLiteral("y")});
    add(list, kList, 160);
    list->resize(200, 60);
    auto* ok = new QPushButton(QStringLiteral("OK"));
    add(ok, kIdOk, 230);
    dialog->resize(240, 270);
    return true;
}

const bool kRegistered = RegisterDialogTemplate(kTestTemplate, &BuildTestTemplate);

// Records what reaches the virtual operations.
class RecordingDlg : public Dlg {
  public:
    explicit RecordingDlg(QWidget* parent = nullptr) : Dlg(kTestTemplate, parent) {}
    bool OnInitDialog() override {
        inits++;
        return Dlg::OnInitDialog();
    }
    bool OnCommand(int id, int extra) override {
        commands.emplace_back(id, extra);
        return Dlg::OnCommand(id, extra);
    }
    int OnNotify(int id, int code) override {
        notifies.emplace_back(id, code);
        return Dlg::OnNotify(id, code);
    }
    void OnTimer(int id) override {
        timers.push_back(id);
        if (timers.size() == 3)
            KillTimer(id);
    }
    void OnApp(int code, intptr_t value) override { apps.emplace_back(code, value); }
    void OnPaint(QPainter&) override { paints++; }
    const QBrush* OnCtlColor(QWidget* control, int kind) override {
        kinds.emplace_back(ItemId(control), kind);
        return kind == kCtlColorEdit ? &yellow : nullptr;
    }
    void OnClose() override {
        closes++;
        Dlg::OnClose();
    }

    int inits = 0, paints = 0, closes = 0;
    std::vector<std::pair<int, int>> commands, notifies, apps, kinds;
    std::vector<int> timers;
    QBrush yellow{Qt::yellow};
};

class DlgTest : public ::testing::Test {
  protected:
    testing::IsolatedEnvironment env;
};

TEST_F(DlgTest, TemplatesAreFoundByTheLow16BitsAndAMissingOneGivesMinusOne) {
    Dlg missing(4242);
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_FALSE(missing.Create());
    EXPECT_EQ(missing.Window(), nullptr);
    EXPECT_EQ(Dlg(0x10000 + kTestTemplate).TemplateId(), kTestTemplate);
    EXPECT_TRUE(HasDialogTemplate(0x70000 + kTestTemplate));
}

TEST_F(DlgTest, ControlsRouteToTheObject) {
    RecordingDlg dialog;
    const auto run =
        RunModal([&] { return dialog.DoModal(); },
                 [&](QWidget* window) {
                     EXPECT_EQ(dialog.inits, 1);
                     EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
                     window->repaint();
                     EXPECT_EQ(FindDlg(window), &dialog);
                     QTest::mouseClick(dialog.GetItem(kButton), Qt::LeftButton);
                     QTest::keyClicks(dialog.GetItem(kEdit), "ab");
                     QTest::mouseClick(dialog.GetItem(kCheck), Qt::LeftButton, {}, QPoint(6, 12));
                     EXPECT_TRUE(dialog.IsChecked(kCheck));
                     auto* list = qobject_cast<QListWidget*>(dialog.GetItem(kList));
                     list->setCurrentRow(1);
                     EXPECT_EQ(dialog.GetItemText(kEdit), "ab");
                     EXPECT_TRUE(dialog.SetItemTextById(kButton, 1100));
                     EXPECT_EQ(dialog.GetItemText(kButton), "&OK");
                     QTest::mouseClick(dialog.GetItem(kIdOk), Qt::LeftButton);
                 });
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_EQ(run.result, 1);
    const std::vector<std::pair<int, int>> expected = {{kButton, kNotifyClicked},
                                                       {kEdit, kNotifyEditChange},
                                                       {kEdit, kNotifyEditChange},
                                                       {kCheck, kNotifyClicked},
                                                       {kIdOk, kNotifyClicked}};
    EXPECT_EQ(dialog.commands, expected);
    ASSERT_FALSE(dialog.notifies.empty());
    EXPECT_EQ(dialog.notifies.back(), std::make_pair(kList, kNotifyItemChanged));
    EXPECT_GT(dialog.paints, 0);
    // After the dialog the window is gone and no longer registered.
    EXPECT_EQ(dialog.Window(), nullptr);
    EXPECT_EQ(registry_testing::Count(), 0u);
}

TEST_F(DlgTest, ControlColorsAskedPerKind) {
    RecordingDlg dialog;
    const auto run =
        RunModal([&] { return dialog.DoModal(); },
                 [&](QWidget*) {
                     auto* edit = dialog.GetItem(kEdit);
                     EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(Qt::yellow));
                     EXPECT_NE(dialog.GetItem(kLabel)->palette().color(QPalette::Window),
                               QColor(Qt::yellow));
                 });
    ASSERT_TRUE(run.ok()) << run.error;
    auto kindOf = [&](int id) {
        for (auto [item, kind] : dialog.kinds) {
            if (item == id)
                return kind;
        }
        return -1;
    };
    for (auto [id, kind] : {std::pair{kNoItemId, kCtlColorDialog},
                            {kEdit, kCtlColorEdit},
                            {kList, kCtlColorListBox},
                            {kButton, kCtlColorButton},
                            {kCheck, kCtlColorButton},
                            {kLabel, kCtlColorStatic}})
        EXPECT_EQ(kindOf(id), kind) << id;
}

TEST_F(DlgTest, CloseSetsClosedFlagAndCancels) {
    RecordingDlg dialog;
    const auto run =
        RunModal([&] { return dialog.DoModal(); }, [&](QWidget* window) { window->close(); });
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_FALSE(run.closedByDriver);
    EXPECT_EQ(run.result, 2);
    EXPECT_EQ(dialog.closes, 1);
    EXPECT_TRUE(dialog.IsClosed());
}

// Timers, messages posted from another thread and the title all reach a modal dialog.
TEST_F(DlgTest, TimersAppMessagesAndTitleWhileModal) {
    RecordingDlg dialog;
    const auto run =
        RunModal([&] { return dialog.DoModal(); },
                 [&](QWidget* window) {
                     dialog.SetTimer(66, 5);
                     EXPECT_TRUE(ui_testing::WaitFor([&] { return dialog.timers.size() >= 3; }));
                     QTest::qWait(50);
                     std::thread worker([&] { dialog.PostApp(7, 42); });
                     worker.join();
                     EXPECT_TRUE(ui_testing::WaitFor([&] { return !dialog.apps.empty(); }));
                     dialog.SetTitle(1014);
                     EXPECT_EQ(window->windowTitle().toStdString(), "Settings - Orvex");
                     EXPECT_FALSE(window->windowIcon().isNull());
                 });
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_EQ(dialog.timers, (std::vector<int>{66, 66, 66}));  // killed after the third
    ASSERT_EQ(dialog.apps.size(), 1u);
    EXPECT_EQ(dialog.apps[0], std::make_pair(7, 42));
}

TEST_F(DlgTest, WaitCursorIsKeptPerDialogAndRestored) {
    {
        RecordingDlg dialog;
        dialog.BeginWaitCursor();
        EXPECT_TRUE(IsWaitCursorShown());
        dialog.EndWaitCursor();
        EXPECT_FALSE(IsWaitCursorShown());
        dialog.EndWaitCursor();  // unbalanced ends do nothing
        dialog.BeginWaitCursor();
    }
    // A dialog that goes away takes its wait cursor with it.
    EXPECT_FALSE(IsWaitCursorShown());
}

TEST_F(DlgTest, ModelessCreateScreenToClientAndEnd) {
    RecordingDlg dialog;
    ASSERT_TRUE(dialog.Create());
    ASSERT_NE(dialog.Window(), nullptr);
    EXPECT_TRUE(dialog.Window()->isVisible());
    EXPECT_FALSE(dialog.Create());  // one window per object
    const QPoint origin = dialog.Window()->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(dialog.ScreenToClient(origin + QPoint(5, 7)), QPoint(5, 7));
    EXPECT_EQ(dialog.ScreenToClient(QRect(origin + QPoint(1, 2), QSize(3, 4))), QRect(1, 2, 3, 4));
    dialog.EndDialog(1);
    EXPECT_FALSE(dialog.Window()->isVisible());
}

class EndsAtInit : public Dlg {
  public:
    EndsAtInit() : Dlg(kTestTemplate) {}
    bool OnInitDialog() override {
        EndDialog(7);
        return true;
    }
};

TEST_F(DlgTest, DialogEndedDuringInitNeverShows) {
    EndsAtInit dialog;
    const auto run = RunModal([&] { return dialog.DoModal(); }, nullptr, 300);
    EXPECT_FALSE(run.appeared);
    EXPECT_EQ(run.result, 7);
}

TEST_F(DlgTest, WindowGoesWithItsParent) {
    auto parent = std::make_unique<QWidget>();
    RecordingDlg dialog(parent.get());
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(FindDlg(dialog.Window()), &dialog);
    parent.reset();
    EXPECT_EQ(dialog.Window(), nullptr);
    EXPECT_EQ(dialog.Parent(), nullptr);
    EXPECT_EQ(registry_testing::Count(), 0u);
    // The object outlives its window and can make another.
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(registry_testing::Count(), 1u);
    dialog.EndDialog(1);
}

TEST(WindowRegistry, AddsOnceFindsAndEmpties) {
    ASSERT_EQ(registry_testing::Count(), 0u);
    std::vector<std::unique_ptr<QWidget>> windows;
    for (int i = 0; i < 5; ++i)
        windows.push_back(std::make_unique<QWidget>());
    Dlg a(kTestTemplate), b(kTestTemplate);
    RegisterDlgWindow(windows[0].get(), &a);
    RegisterDlgWindow(windows[0].get(), &b);  // already present: nothing changes
    EXPECT_EQ(registry_testing::Count(), 1u);
    EXPECT_EQ(FindDlg(windows[0].get()), &a);
    for (int i = 1; i < 5; ++i)
        RegisterDlgWindow(windows[i].get(), &b);
    EXPECT_EQ(registry_testing::Count(), 5u);
    UnregisterDlgWindow(windows[2].get());
    EXPECT_EQ(FindDlg(windows[2].get()), nullptr);
    EXPECT_EQ(FindDlg(windows[3].get()), &b);
    for (auto& w : windows)
        UnregisterDlgWindow(w.get());
    EXPECT_EQ(registry_testing::Count(), 0u);
    EXPECT_EQ(FindDlg(nullptr), nullptr);
}

}  // namespace
}  // namespace orx
