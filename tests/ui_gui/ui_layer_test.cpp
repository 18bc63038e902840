#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QTest>
#include <QVBoxLayout>

#include <vector>

#include "core/product_identity.h"
#include "dialogs/transparent_bitmap.h"
#include "dialogs/window_placement.h"
#include "support/gui/modal_driver.h"
#include "ui/commands.h"
#include "ui/icons.h"
#include "ui/item_registry.h"
#include "ui/native_window.h"
#include "ui/system_colors.h"
#include "ui/timer_set.h"
#include "ui/wait_cursor.h"
#include "ui_gui/gui_test_support.h"

namespace orx {
namespace {

class Recorder : public CommandTarget {
  public:
    bool OnCommand(int id) override {
        ids.push_back(id);
        return true;
    }
    std::vector<int> ids;
};

TEST(ItemRegistry, FindsControlsByIdAtAnyDepth) {
    QWidget form;
    auto* inner = new QWidget(&form);
    auto* label = new QLabel(inner);
    RegisterItem(label, 317);
    auto* decoy = new QLabel(&form);
    decoy->setObjectName(QStringLiteral("item318"));  // a name alone does not make an item
    EXPECT_EQ(FindItem(&form, 317), label);
    EXPECT_EQ(FindItemAs<QLabel>(&form, 317), label);
    EXPECT_EQ(ItemId(label), 317);
    EXPECT_EQ(FindItem(&form, 318), nullptr);
    EXPECT_EQ(ItemId(decoy), kNoItemId);
    EXPECT_EQ(FindItem(nullptr, 317), nullptr);
    QWidget other;
    EXPECT_EQ(FindItem(&other, 317), nullptr);
}

// The shape of a program menu: commands, a separator and submenus.
struct MenuFixture {
    QMenuBar bar;
    QMenu* file;
    QMenu* action;
    QMenu* soft;
    MenuFixture() {
        file = bar.addMenu(QStringLiteral("File"));
        AppendCommand(file, 30079, QStringLiteral("Settings"));
        file->addSeparator();
        AppendCommand(file, 32797, QStringLiteral("Exit"));
        action = bar.addMenu(QStringLiteral("Action"));
        action->addMenu(QStringLiteral("Change"));
        soft = action->addMenu(QStringLiteral("Soft"));
        AppendCommand(soft, 30075, QStringLiteral("New"));
        AppendCommand(soft, 32798, QStringLiteral("Export"));
    }
};

TEST(Menus, AddressedByPositionAndCommand) {
    MenuFixture m;
    EXPECT_EQ(TopMenuAt(&m.bar, 1), m.action);
    EXPECT_EQ(TopMenuAt(&m.bar, 3), nullptr);
    EXPECT_EQ(MenuItemCount(m.file), 3);
    EXPECT_TRUE(MenuItemAt(m.file, 1)->isSeparator());
    EXPECT_EQ(CommandId(MenuItemAt(m.file, 2)), 32797);
    EXPECT_EQ(SubMenuAt(m.action, 1), m.soft);
    EXPECT_EQ(SubMenuAt(m.action, 5), nullptr);
    EXPECT_EQ(FindCommand(m.action, 32798)->text(), "Export");
    EXPECT_EQ(FindCommand(&m.bar, 30075)->text(), "New");
    EXPECT_EQ(FindCommand(m.file, 30075), nullptr);
    EXPECT_TRUE(SetCommandText(m.action, 32798, QStringLiteral("&Export...")));
    EXPECT_EQ(FindCommand(m.soft, 32798)->text(), "&Export...");
    EXPECT_TRUE(SetItemTextAt(m.action, 0, QStringLiteral("&Change password")));
    EXPECT_EQ(m.action->actions()[0]->text(), "&Change password");
    EXPECT_FALSE(SetItemTextAt(m.file, 1, QStringLiteral("x")));  // separator

    InsertCommand(m.file, 1, 30084, QStringLiteral("Open"));
    EXPECT_EQ(CommandId(MenuItemAt(m.file, 1)), 30084);
    EXPECT_TRUE(MenuItemAt(m.file, 2)->isSeparator());
    AppendCommand(m.file, 30085, QStringLiteral("Mail"));
    EXPECT_EQ(CommandId(MenuItemAt(m.file, 4)), 30085);
    EXPECT_TRUE(RemoveItemAt(m.file, 2));
    EXPECT_EQ(CommandId(MenuItemAt(m.file, 2)), 32797);
    EXPECT_TRUE(RemoveCommand(&*m.action, 30075));
    EXPECT_EQ(FindCommand(m.action, 30075), nullptr);
    EXPECT_FALSE(RemoveCommand(m.action, 30075));
    EXPECT_FALSE(RemoveItemAt(m.file, 10));
    ClearMenu(m.soft);
    EXPECT_EQ(MenuItemCount(m.soft), 0);
}

TEST(Menus, ChosenCommandsReachTheTarget) {
    MenuFixture m;
    Recorder target;
    RouteMenuCommands(&m.bar, &target);
    FindCommand(&m.bar, 30079)->trigger();
    // Items added after routing are routed too.
    AppendCommand(m.soft, 31000 + 104, QStringLiteral("Token 104"))->trigger();
    m.file->addSeparator()->trigger();  // not a command
    EXPECT_EQ(target.ids, (std::vector<int>{30079, 31104}));
}

TEST(Menus, AcceleratorSendsItsCommand) {
    QWidget window;
    Recorder target;
    AddAccelerator(&window, QKeySequence(Qt::Key_F5), 9, &target);
    AddAccelerator(&window, QKeySequence(Qt::CTRL | Qt::Key_C), 30080, &target);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    QTest::keyClick(&window, Qt::Key_F5);
    QTest::keyClick(&window, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(target.ids, (std::vector<int>{9, 30080}));
}

TEST(Menus, PopupReturnsTheChosenCommand) {
    QMenu menu;
    AppendCommand(&menu, 30072, QStringLiteral("View"));
    AppendCommand(&menu, 30074, QStringLiteral("Delete"));
    int chosen = -1;
    QTimer::singleShot(50, [&menu]() {
        menu.setActiveAction(menu.actions()[1]);
        QTest::keyClick(&menu, Qt::Key_Return);
    });
    chosen = PopupMenuCommand(&menu, QPoint(10, 10));
    EXPECT_EQ(chosen, 30074);
    QMenu empty;
    EXPECT_EQ(PopupMenuCommand(&empty, QPoint(0, 0)), 0);
}

TEST(Timers, RepeatRestartAndKill) {
    std::vector<int> ticks;
    TimerSet timers([&](int id) {
        ticks.push_back(id);
        if (id == 66)
            timers.KillTimer(66);  // a one-shot kills itself in its handler
    });
    timers.SetTimer(66, 1);
    timers.SetTimer(666, 5);
    EXPECT_TRUE(timers.IsRunning(666));
    ASSERT_TRUE(
        ui_testing::WaitFor([&] { return std::count(ticks.begin(), ticks.end(), 666) >= 3; }));
    EXPECT_EQ(std::count(ticks.begin(), ticks.end(), 66), 1);
    EXPECT_FALSE(timers.IsRunning(66));
    EXPECT_TRUE(timers.KillTimer(666));
    EXPECT_FALSE(timers.KillTimer(666));
    EXPECT_FALSE(timers.KillTimer(12345));
    const size_t before = ticks.size();
    QTest::qWait(30);
    EXPECT_EQ(ticks.size(), before);
    timers.SetTimer(66, 1);  // started again after a kill
    ASSERT_TRUE(ui_testing::WaitFor([&] { return ticks.size() > before; }));
}

TEST(WaitCursorScope, NestsAndRestores) {
    EXPECT_FALSE(IsWaitCursorShown());
    {
        WaitCursor outer;
        EXPECT_TRUE(IsWaitCursorShown());
        {
            WaitCursor inner;
            EXPECT_TRUE(IsWaitCursorShown());
        }
        EXPECT_TRUE(IsWaitCursorShown());
        outer.Restore();
        EXPECT_FALSE(IsWaitCursorShown());
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(Icons, EveryIdAtBothSizes) {
    for (int id : {110, 112, 114, 121, 137, 164, 239}) {
        for (int size : {16, 32}) {
            const QPixmap pixmap = LoadIconPixmap(id, size);
            ASSERT_FALSE(pixmap.isNull()) << id << " " << size;
            EXPECT_EQ(pixmap.size(), QSize(size, size));
            // Drawn, not empty: some pixel is opaque.
            const QImage image = pixmap.toImage();
            EXPECT_GT(qAlpha(image.pixel(size / 2, size / 2)), 0) << id;
        }
        EXPECT_FALSE(LoadIcon(id).isNull());
    }
    EXPECT_TRUE(LoadIconPixmap(999, 16).isNull());
    EXPECT_TRUE(LoadIcon(999).isNull());
}

TEST(Icons, ProductIconFromDescriptionFileOrProgram) {
    testing::IsolatedEnvironment env;
    const QImage program = LoadIconPixmap(110, 32).toImage();
    const ProductIcons own = FindProductIcons();
    EXPECT_EQ(own.large.pixmap(32, 32).toImage().convertToFormat(program.format()), program);
    EXPECT_EQ(own.small.pixmap(16, 16).size(), QSize(16, 16));

    // A product description file beside the program names its own picture.
    const std::string folder = env / "bin/";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    testing::WriteFile(folder + "orx.product", "Name=Orvex\nIcon=brand.png\n");
    QImage brand(64, 64, QImage::Format_ARGB32);
    brand.fill(QColor(200, 0, 0));
    ASSERT_TRUE(brand.save(QString::fromStdString(folder + "brand.png")));
    SetProgramPath(folder + "orxxadm");
    const ProductIcons branded = FindProductIcons();
    const QImage large = branded.large.pixmap(32, 32).toImage();
    EXPECT_EQ(large.size(), QSize(32, 32));
    EXPECT_EQ(QColor(large.pixel(16, 16)), QColor(200, 0, 0));
    EXPECT_EQ(QColor(branded.small.pixmap(16, 16).toImage().pixel(8, 8)), QColor(200, 0, 0));
    EXPECT_FALSE(GetProductIcons().isNull());

    // A picture that cannot be read leaves the program's own icon.
    testing::WriteFile(folder + "orx.product", "Icon=missing.png\n");
    EXPECT_EQ(FindProductIcons().large.pixmap(32, 32).toImage().convertToFormat(program.format()),
              program);
}

TEST(SystemColors, FromThePalette) {
    QPalette palette = QApplication::palette();
    const QPalette saved = palette;
    palette.setColor(QPalette::Link, QColor(10, 20, 30));
    QApplication::setPalette(palette);
    EXPECT_EQ(GetSysColor(SysColor::HotLight), QColor(10, 20, 30));
    EXPECT_EQ(GetLinkColor(), QColor(10, 20, 30));
    palette.setColor(QPalette::Link, QColor(0, 0, 0));
    QApplication::setPalette(palette);
    EXPECT_EQ(GetLinkColor(), QColor(0, 0, 255));
    QApplication::setPalette(saved);
}

TEST(NativeWindow, IdOfTheTopLevelWindow) {
    QWidget top;
    auto* child = new QLabel(&top);
    const uintptr_t id = NativeWindowId(child);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(id, static_cast<uintptr_t>(top.winId()));
    EXPECT_EQ(NativeWindowId(nullptr), 0u);
}

TEST(TransparentBitmap, KeyColourShowsTheBackground) {
    QPixmap bitmap(4, 4);
    bitmap.fill(Qt::magenta);
    {
        QPainter p(&bitmap);
        p.fillRect(0, 0, 2, 4, Qt::blue);
    }
    const QBitmap mask = MakeKeyColorMask(bitmap, Qt::magenta);
    // On white, with the given background brush or none.
    const auto paint = [&](const QBrush* background) {
        QImage target(4, 4, QImage::Format_ARGB32);
        target.fill(Qt::white);
        QPainter p(&target);
        PaintTransparentBitmap(p, QRect(0, 0, 4, 4), bitmap, mask, background);
        p.end();
        return target;
    };
    const QBrush green(Qt::green);
    const QImage target = paint(&green);
    EXPECT_EQ(QColor(target.pixel(0, 0)), QColor(Qt::blue));
    EXPECT_EQ(QColor(target.pixel(3, 3)), QColor(Qt::green));
    const QImage plain = paint(nullptr);
    EXPECT_EQ(QColor(plain.pixel(3, 0)), QColor(Qt::white));
    EXPECT_EQ(QColor(plain.pixel(1, 2)), QColor(Qt::blue));
}

TEST(Placement, CentredOverParentAndClamped) {
    QWidget parent;
    const QRect screen = parent.screen()->geometry();
    parent.setGeometry(screen.width() / 8, screen.height() / 8, screen.width() / 2,
                       screen.height() / 2);
    parent.show();
    QWidget dialog(&parent, Qt::Dialog);
    dialog.resize(screen.width() / 4, screen.height() / 6);
    const QRect p = parent.frameGeometry();
    const QSize size = dialog.frameGeometry().size();
    const QPoint expected(p.left() + (p.width() - size.width()) / 2,
                          p.top() + (p.height() - size.height()) / 2);
    CenterOverParent(&dialog);
    EXPECT_EQ(dialog.pos(), expected);
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);

    // A parent near the screen's corner: the window stays on the screen.
    parent.move(-500, -300);
    CenterOverParent(&dialog);
    EXPECT_EQ(dialog.pos(), QPoint(0, 0));
    parent.move(screen.width() - 50, screen.height() - 20);
    CenterOverParent(&dialog);
    EXPECT_EQ(dialog.pos().x(), screen.width() - dialog.frameGeometry().width());
    EXPECT_EQ(dialog.pos().y(), screen.height() - 30 - dialog.frameGeometry().height());
}

TEST(Placement, BoldHeaderFont) {
    QLabel label;
    QFont base = label.font();
    base.setPointSize(10);
    label.setFont(base);
    SetBoldFont(&label, 2, true);
    EXPECT_EQ(label.font().pointSize(), 12);
    EXPECT_EQ(label.font().weight(), QFont::Bold);
    QLabel plain;
    plain.setFont(base);
    SetBoldFont(&plain, 0, false);
    EXPECT_EQ(plain.font().pointSize(), 10);
    EXPECT_NE(plain.font().weight(), QFont::Bold);
}

}  // namespace
}  // namespace orx
