#include "ui/owner_draw_list.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QTest>
#include <QVBoxLayout>
#include <optional>
#include <vector>

#include "support/gui/modal_driver.h"
#include "support/gui/window_grab.h"
#include "ui/item_registry.h"
#include "ui/system_colors.h"

namespace orx {
namespace {

// Sees every text the list draws, where and how aligned.
class RecordingList : public COwnerDrawList {
  public:
    using COwnerDrawList::COwnerDrawList;
    struct Drawn {
        QRect rect;
        QString text;
        Qt::Alignment alignment;
    };
    mutable std::vector<Drawn> drawn;

    std::optional<Drawn> Find(const QString& prefix) const {
        for (const Drawn& d : drawn) {
            if (d.text.startsWith(prefix))
                return d;
        }
        return std::nullopt;
    }

  protected:
    void DrawCellText(QPainter* painter, const QRect& rect, const QString& text,
                      Qt::Alignment alignment) const override {
        drawn.push_back({rect, text, alignment});
        COwnerDrawList::DrawCellText(painter, rect, text, alignment);
    }
};

QFont TestFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    return font;
}

// A window with an edit field (to take the focus away) above the list.
struct ListWindow {
    QWidget window;
    QLineEdit* edit;
    RecordingList* list;

    ListWindow() {
        auto* layout = new QVBoxLayout(&window);
        edit = new QLineEdit(&window);
        list = new RecordingList(&window);
        layout->addWidget(edit);
        layout->addWidget(list);
        window.setFont(TestFont());
        window.resize(560, 240);
        list->InsertColumn(0, "Name", Qt::AlignLeft, 100);
        list->InsertColumn(1, "Size", Qt::AlignRight, 140);
        list->InsertColumn(2, "Where", Qt::AlignHCenter, 140);
        list->InsertColumn(3, "Empty", Qt::AlignLeft, 100);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QImage Paint() {
        list->drawn.clear();
        return list->viewport()->grab().toImage();
    }

    QRect Cell(int row, int column) const {
        const QRect rowRect = list->visualItemRect(list->topLevelItem(row));
        return QRect(list->header()->sectionViewportPosition(column), rowRect.top(),
                     list->header()->sectionSize(column), rowRect.height());
    }
};

// Leftmost and rightmost columns of pixels in rect that differ from the background.
std::pair<int, int> InkExtent(const QImage& image, const QRect& rect, QColor background) {
    int left = -1;
    int right = -1;
    for (int x = rect.left(); x <= rect.right(); ++x) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            if (image.pixelColor(x, y).rgb() != background.rgb()) {
                if (left < 0)
                    left = x;
                right = x;
                break;
            }
        }
    }
    return {left, right};
}

TEST(OwnerDrawListFitText, ShortensFromTheEndAndKeepsAtLeastOneCharacter) {
    const QFontMetrics metrics(TestFont());
    const QString word = QStringLiteral("Certificate");
    const int wordWidth = metrics.horizontalAdvance(word);
    const int dots = metrics.horizontalAdvance(QStringLiteral("..."));
    struct Case {
        const char* name;
        QString text;
        int width;
        int margin;
        QString expected;  // empty: any shortened text that fits
    };
    const Case cases[] = {
        {"fits exactly", word, wordWidth + 4, 4, word},
        {"empty", QString(), 0, 12, QString()},
        {"no room at all", word, 0, 12, QStringLiteral("C...")},
        {"room for one and the dots only", word,
         metrics.horizontalAdvance(QStringLiteral("C")) + dots + 12, 12, QStringLiteral("C...")},
        {"one pixel short", word, wordWidth + 3, 4, QString()},
        {"non-BMP first character", QString::fromUtf8("\xF0\x9F\x94\x92key"), 0, 4,
         QString::fromUtf8("\xF0\x9F\x94\x92...")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString fitted = COwnerDrawList::FitText(metrics, c.text, c.width, c.margin);
        if (!c.expected.isNull() || c.text.isEmpty()) {
            EXPECT_EQ(fitted, c.expected);
            continue;
        }
        ASSERT_TRUE(fitted.endsWith(QStringLiteral("...")));
        const QString kept = fitted.chopped(3);
        EXPECT_TRUE(c.text.startsWith(kept));
        EXPECT_LE(metrics.horizontalAdvance(kept) + dots + c.margin, c.width);
        // One more character would not have fitted.
        EXPECT_GT(metrics.horizontalAdvance(c.text.left(kept.size() + 1)) + dots + c.margin,
                  c.width);
    }
}

TEST(OwnerDrawListFitText, ReadsAtMostTheTextBuffersCapacity) {
    const QFontMetrics metrics(TestFont());
    const QString longText(400, QLatin1Char('x'));
    const QString fitted = COwnerDrawList::FitText(metrics, longText, 100000, 0);
    EXPECT_EQ(fitted, longText);  // fits: returned as given
    const QString cut = COwnerDrawList::FitText(metrics, longText, 300, 0);
    EXPECT_LT(cut.size(), COwnerDrawList::kTextCapacity + 3);
}

TEST(OwnerDrawList, AlignsTextsThatFitAndStartsShortenedTextsAtTheLeft) {
    ListWindow w;
    w.list->InsertItem(0, "alpha");
    w.list->SetItemText(0, 1, "1024");
    w.list->SetItemText(0, 2, "mid");
    w.list->InsertItem(1, "beta");
    w.list->SetItemText(1, 1, "A rather long text that cannot fit into the column");
    w.list->SetItemText(1, 2, "Another text far too long for a centred column");
    w.list->topLevelItem(1)->setSelected(true);
    w.list->SetShowSelectionAlways(true);
    // For a person to look at.
    ui_testing::SaveWindowPng(&w.window, ui_testing::PictureFolder(), "owner_draw_list");
    const QImage image = w.Paint();
    const QColor base = GetSysColor(SysColor::Base);
    const QFontMetrics metrics(TestFont());

    struct Case {
        const char* prefix;
        int row;
        int column;
        bool shortened;
        Qt::Alignment alignment;
    };
    const Case cases[] = {
        {"1024", 0, 1, false, Qt::AlignRight},   {"mid", 0, 2, false, Qt::AlignHCenter},
        {"A rather", 1, 1, true, Qt::AlignLeft}, {"Another", 1, 2, true, Qt::AlignLeft},
        {"alpha", 0, 0, false, Qt::AlignLeft},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prefix);
        const auto drawn = w.list->Find(c.prefix);
        ASSERT_TRUE(drawn.has_value());
        EXPECT_EQ(drawn->alignment, c.alignment);
        EXPECT_EQ(drawn->text.endsWith("..."), c.shortened);
        const QRect cell = w.Cell(c.row, c.column);
        const int inset = c.column == 0 ? 2 : 6;
        EXPECT_EQ(drawn->rect, cell.adjusted(inset, 0, -inset, 0));
        if (c.shortened) {
            EXPECT_LE(metrics.horizontalAdvance(drawn->text) + 12, cell.width());
        }

        // And on the picture: where the ink is.
        const QColor background = c.row == 1 ? GetSysColor(SysColor::Highlight) : base;
        const auto [left, right] = InkExtent(image, cell.adjusted(1, 1, -1, -1), background);
        ASSERT_GE(left, 0);
        if (c.alignment == Qt::AlignRight) {
            EXPECT_NEAR(right, cell.right() - inset, 3);
            EXPECT_GT(left, cell.left() + inset + 40);
        } else if (c.alignment == Qt::AlignHCenter) {
            EXPECT_NEAR((left + right) / 2, cell.center().x(), 3);
        } else {
            EXPECT_NEAR(left, cell.left() + inset, 3);
        }
    }
    // An empty cell draws nothing.
    EXPECT_EQ(w.list->drawn.size(), 6u);
}

struct HighlightCase {
    const char* name;
    bool imageList;
    bool focus;
    bool showAlways;
    bool selected;
    bool highlighted;
};

TEST(OwnerDrawList, HighlightsASelectedRowOnlyWithFocusOrWhenAlwaysShown) {
    const HighlightCase cases[] = {
        {"selected, no focus", false, false, false, true, false},
        {"selected, no focus, shown always", false, false, true, true, true},
        {"selected with focus", false, true, false, true, true},
        {"not selected with focus", false, true, true, false, false},
        {"image list, shown always", true, false, true, true, true},
        {"image list, no focus", true, false, false, true, false},
    };
    QPixmap red(16, 16);
    red.fill(Qt::red);
    for (const HighlightCase& c : cases) {
        SCOPED_TRACE(c.name);
        ListWindow w;
        if (c.imageList)
            w.list->SetImageList({QIcon(red)});
        w.list->SetShowSelectionAlways(c.showAlways);
        w.list->InsertItem(0, "first", 0);
        w.list->InsertItem(1, "second", 0);
        w.list->topLevelItem(0)->setSelected(c.selected);
        w.list->setCurrentItem(w.list->topLevelItem(1), 0, QItemSelectionModel::NoUpdate);
        w.window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
        (c.focus ? static_cast<QWidget*>(w.list) : w.edit)->setFocus();
        ASSERT_TRUE(ui_testing::WaitFor([&]() { return w.list->hasFocus() == c.focus; }));
        const QImage image = w.Paint();

        const QRect empty = w.Cell(0, 3);  // a cell without text
        const QColor expected = GetSysColor(c.highlighted ? SysColor::Highlight : SysColor::Base);
        EXPECT_EQ(image.pixelColor(empty.center()).rgb(), expected.rgb());
        // The row's left edge: inside the highlight without image list, the icon's
        // place outside it with one.
        const int y = empty.center().y();
        const QColor edge = image.pixelColor(w.Cell(0, 0).left(), y);
        if (c.imageList) {
            EXPECT_EQ(edge.rgb(), GetSysColor(SysColor::Base).rgb());
            EXPECT_EQ(image.pixelColor(w.Cell(0, 0).left() + 8, w.Cell(0, 0).top() + 8).rgb(),
                      QColor(Qt::red).rgb());
            EXPECT_EQ(image.pixelColor(w.Cell(0, 0).left() + 17, w.Cell(0, 0).bottom()).rgb(),
                      expected.rgb());
        } else {
            EXPECT_EQ(edge.rgb(), expected.rgb());
        }
        // Rows that are not selected are never highlighted.
        EXPECT_EQ(image.pixelColor(w.Cell(1, 3).center()).rgb(), GetSysColor(SysColor::Base).rgb());
    }
}

TEST(OwnerDrawList, AColumnInsertedInFrontMovesTheOthersWithTheirTextsAndFormats) {
    COwnerDrawList list;
    EXPECT_EQ(list.columnCount(), 0);
    EXPECT_EQ(list.InsertColumn(0, "Size", Qt::AlignRight, 70), 0);
    EXPECT_EQ(list.InsertColumn(5, "Where", Qt::AlignHCenter, 90), 1);  // at the end
    EXPECT_EQ(list.InsertItem(0, "1024", 2), 0);
    list.SetItemText(0, 1, "card");
    EXPECT_EQ(list.InsertItem(9, "2048"), 1);

    EXPECT_EQ(list.InsertColumn(0, "Name", Qt::AlignLeft, 50), 0);
    ASSERT_EQ(list.columnCount(), 3);
    const struct {
        const char* header;
        Qt::Alignment format;
        int width;
        const char* text;
    } expected[] = {
        {"Name", Qt::AlignLeft, 50, ""},
        {"Size", Qt::AlignRight, 70, "1024"},
        {"Where", Qt::AlignHCenter, 90, "card"},
    };
    for (int column = 0; column < 3; ++column) {
        SCOPED_TRACE(column);
        EXPECT_EQ(list.headerItem()->text(column), expected[column].header);
        EXPECT_EQ(list.ColumnFormat(column), expected[column].format);
        EXPECT_EQ(list.header()->sectionSize(column), expected[column].width);
        EXPECT_EQ(list.topLevelItem(0)->text(column), expected[column].text);
    }
    EXPECT_EQ(list.ItemImage(0), 2);
    EXPECT_EQ(list.ItemImage(1), -1);
    EXPECT_EQ(list.ItemImage(7), -1);
}

class DropTarget : public QWidget {
  public:
    QList<QUrl> urls;
    QPoint where;
    int drops = 0;

  protected:
    void dropEvent(QDropEvent* event) override {
        ++drops;
        urls = event->mimeData()->urls();
        where = event->position().toPoint();
        event->acceptProposedAction();
    }
};

TEST(OwnerDrawList, DroppedFilesReachTheParent) {
    DropTarget parent;
    parent.resize(300, 200);
    auto* list = new COwnerDrawList(&parent);
    list->setGeometry(20, 30, 200, 120);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/srv/a.cer"), QUrl::fromLocalFile("/srv/b.p12")});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());

    QDropEvent drop(QPointF(10, 12), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &drop);
    EXPECT_EQ(parent.drops, 1);
    EXPECT_EQ(parent.urls, files.urls());
    EXPECT_EQ(parent.where, list->viewport()->mapTo(&parent, QPoint(10, 12)));
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(list->topLevelItemCount(), 0);  // the list itself takes nothing in

    // Without a parent nothing goes anywhere, and nothing breaks.
    COwnerDrawList orphan;
    orphan.resize(100, 100);
    QDragEnterEvent enterOrphan(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton,
                                Qt::NoModifier);
    QCoreApplication::sendEvent(orphan.viewport(), &enterOrphan);
    QDropEvent lost(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(orphan.viewport(), &lost);
    EXPECT_EQ(parent.drops, 1);
}

TEST(OwnerDrawList, ReplacesAPlaceholderInPlaceAndOnTop) {
    struct Case {
        const char* name;
        bool layout;
    };
    for (const Case& c : {Case{"placed", false}, Case{"in a layout", true}}) {
        SCOPED_TRACE(c.name);
        QWidget dialog;
        dialog.resize(400, 300);
        QPointer<QWidget> placeholder = new QTreeWidget(&dialog);
        auto* sibling = new QLineEdit(&dialog);
        if (c.layout) {
            auto* layout = new QVBoxLayout(&dialog);
            layout->addWidget(placeholder);
            layout->addWidget(sibling);
        } else {
            placeholder->setGeometry(12, 34, 200, 100);
            sibling->setGeometry(0, 0, 300, 50);  // overlaps the placeholder
        }
        RegisterItem(placeholder, 1234);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        const QRect rect = placeholder->geometry();

        COwnerDrawList* list = COwnerDrawList::ReplaceControl(placeholder, &dialog, 1234);
        ASSERT_NE(list, nullptr);
        EXPECT_TRUE(placeholder.isNull());
        EXPECT_EQ(FindItem(&dialog, 1234), list);
        EXPECT_EQ(ItemId(list), 1234);
        EXPECT_EQ(list->parentWidget(), &dialog);
        EXPECT_TRUE(list->isVisible());
        if (c.layout) {
            EXPECT_EQ(dialog.layout()->indexOf(list), 0);
            ASSERT_TRUE(ui_testing::WaitFor([&]() {
                QApplication::processEvents();
                return list->geometry() == rect;
            }));
        } else {
            EXPECT_EQ(list->geometry(), rect);
        }
        EXPECT_EQ(dialog.children().last(), list);  // top of the sibling order
    }
    EXPECT_EQ(COwnerDrawList::ReplaceControl(nullptr, nullptr, 1), nullptr);
}

}  // namespace
}  // namespace orx
