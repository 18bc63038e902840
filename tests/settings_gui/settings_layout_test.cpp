// What a person sees of the sheet: no text cut in any of the eleven languages, no
// control outside its page or over another, the headings drawn with their rule,
// light and dark. Pictures of every page in English and in French (the longest
// texts) go to build/test-output; the same tests run once more at 200 %.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QPalette>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <cmath>

#include "core/language.h"
#include "settings_fixture.h"
#include "support/gui/control_layout.h"
#include "support/process_state.h"

namespace orx::testing {
namespace {

const char* const kPageNames[] = {"view", "smartcard", "components"};
const std::vector<int> kHeadings[] = {
    {kIdLanguageHeading, kIdViewHeading},
    {kIdReaderHeading, kIdAcceptedHeading, kIdLogonHeading},
    {kIdCryptoApiHeading, kIdSessionsHeading, kIdPluginsHeading, kIdGinaHeading},
};
constexpr QRgb kRule = 0xA0A0A0;

// The width a combo needs to show this text in its field.
int NeededWidth(QComboBox* combo, const QString& text) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    // Measured as the combo measures its entries.
    const QSize content(combo->fontMetrics().boundingRect(text).width(),
                        combo->fontMetrics().height());
    return combo->style()->sizeFromContents(QStyle::CT_ComboBox, &option, content, combo).width();
}

void ExpectWhole(SheetDriver& d, int page) {
    QWidget* pageWindow = d.pageWindow();
    const std::vector<QWidget*> shown =
        ui_testing::ExpectControlsWhole(pageWindow, "page " + std::to_string(page));
    for (QWidget* control : shown) {
        if (auto* combo = qobject_cast<QComboBox*>(control)) {
            for (int i = 0; i < combo->count(); ++i) {
                EXPECT_GE(combo->width(), NeededWidth(combo, combo->itemText(i)))
                    << ui_testing::DescribeControl(control) << " cuts "
                    << ToUtf8(combo->itemText(i));
            }
        }
    }
    // A heading shows its whole text and at least a stretch of its rule.
    for (int id : kHeadings[page]) {
        auto* heading = FindItemAs<QLabel>(pageWindow, id);
        ASSERT_NE(heading, nullptr);
        if (page == 2 && id == kIdGinaHeading && !FindItem(pageWindow, kIdGinaEnable)->isVisible())
            continue;
        EXPECT_TRUE(pageWindow->rect().contains(heading->geometry())) << id;
        for (QWidget* control : shown) {
            EXPECT_FALSE(heading->geometry().intersects(control->geometry()))
                << "heading " << id << " over " << ui_testing::DescribeControl(control);
        }
        EXPECT_GE(heading->width(), heading->fontMetrics().horizontalAdvance(heading->text()) + 20)
            << id;
    }
    QTabBar* bar = d.tabs()->tabBar();
    const int padding = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
    for (int i = 0; i < bar->count(); ++i) {
        EXPECT_GE(bar->tabRect(i).width(),
                  bar->fontMetrics().horizontalAdvance(bar->tabText(i)) + padding)
            << "tab " << i;
    }
    for (int id : {kIdOk, kIdCancel, kIdApply}) {
        QWidget* button = d.item(id);
        ASSERT_NE(button, nullptr);
        EXPECT_GE(button->width(), button->sizeHint().width()) << id;
        EXPECT_TRUE(d.window()->rect().contains(button->geometry())) << id;
    }
}

// Each heading as the page paints it: its text in the text colour, then the grey
// rule up to the right edge. Returns the lightest text pixel's lightness.
int ExpectHeadingsDrawn(SheetDriver& d, int page) {
    QWidget* pageWindow = d.pageWindow();
    const QImage image = pageWindow->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    auto at = [&](int x, int y) {
        return image.pixelColor(static_cast<int>(std::lround(x * ratio)),
                                static_cast<int>(std::lround(y * ratio)));
    };
    const QColor background = pageWindow->palette().color(QPalette::Window);
    int lightest = 0;
    for (int id : kHeadings[page]) {
        auto* heading = FindItemAs<QLabel>(pageWindow, id);
        if (heading == nullptr ||
            (page == 2 && id == kIdGinaHeading && !heading->sizePolicy().retainSizeWhenHidden()))
            continue;
        EXPECT_FALSE(heading->isVisible()) << "the page draws heading " << id << " itself";
        const QRect r = heading->geometry();
        const QFontMetrics metrics(pageWindow->font());
        const int y = r.bottom() - metrics.height() / 2;
        EXPECT_EQ(at(r.right() - 2, y).rgb() & 0xFFFFFF, kRule) << "rule of " << id;
        EXPECT_NE(at(r.left() + metrics.horizontalAdvance(heading->text()) + 1, y).rgb() & 0xFFFFFF,
                  kRule)
            << "rule of " << id << " starts at the text";
        int textPixels = 0;
        const int textEnd = r.left() + metrics.horizontalAdvance(heading->text());
        for (int x = r.left(); x < textEnd; ++x) {
            for (int yy = r.top(); yy <= r.bottom(); ++yy) {
                const QColor c = at(x, yy);
                if (c != background) {
                    ++textPixels;
                    lightest = std::max(lightest, c.lightness());
                }
            }
        }
        EXPECT_GT(textPixels, 10) << "text of heading " << id;
    }
    return lightest;
}

class SettingsLayoutTest : public SettingsTest {
  protected:
    void SetUp() override {
        SettingsTest::SetUp();
        InstallLogonComponent();
        WriteFile(InstallFile(), ReadFile(InstallFile()) +
                                     "[Smart Card Reader]\nAccepted=Desk Reader;Laptop Reader;\n");
    }
    void ShowIn(const std::string& language, const std::function<void(SheetDriver&)>& act) {
        WriteFile(UserFile(), "[Language]\nCurrent=" + language + "\n");
        language_testing::Reset();
        Show(act);
    }
};

TEST_F(SettingsLayoutTest, PicturesInEnglishAndFrench) {
    for (const std::string language : {"English",
                                       "Fran\xC3\xA7"
                                       "ais"}) {
        const std::string tag = language == "English" ? "en" : "fr";
        ShowIn(language, [&](SheetDriver& d) {
            EXPECT_EQ(d.text(kIdLanguageList), language);
            for (int page = 0; page < 3; ++page) {
                SCOPED_TRACE(tag + " " + kPageNames[page]);
                ASSERT_TRUE(d.showPage(page));
                d.picture("settings_" + tag + "_" + kPageNames[page]);
                ExpectWhole(d, page);
                ExpectHeadingsDrawn(d, page);
            }
            d.key(Qt::Key_Escape);
        });
    }
}

TEST_F(SettingsLayoutTest, NoTextCutInAnyLanguage) {
    std::vector<std::string> languages;
    std::string name;
    for (int index = 0; EnumLanguageName(name, 256, index);)
        languages.push_back(name);
    ASSERT_EQ(languages.size(), 11u);
    for (const std::string& language : languages) {
        ShowIn(language, [&](SheetDriver& d) {
            for (int page = 0; page < 3; ++page) {
                SCOPED_TRACE(language + " " + kPageNames[page]);
                ASSERT_TRUE(d.showPage(page));
                ExpectWhole(d, page);
            }
            d.key(Qt::Key_Escape);
        });
    }
}

TEST_F(SettingsLayoutTest, HeadingsFollowADarkPalette) {
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(0x2B, 0x2B, 0x2B));
    dark.setColor(QPalette::WindowText, QColor(0xEE, 0xEE, 0xEE));
    dark.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
    dark.setColor(QPalette::Text, QColor(0xEE, 0xEE, 0xEE));
    dark.setColor(QPalette::Button, QColor(0x3C, 0x3C, 0x3C));
    dark.setColor(QPalette::ButtonText, QColor(0xEE, 0xEE, 0xEE));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(QPalette::Disabled, role, QColor(0x80, 0x80, 0x80));
    QApplication::setPalette(dark);
    Show([&](SheetDriver& d) {
        ASSERT_TRUE(d.showPage(2));
        d.picture("settings_dark_components");
        EXPECT_GT(ExpectHeadingsDrawn(d, 2), 150) << "dark text on a dark page";
        d.key(Qt::Key_Escape);
    });
    QApplication::setPalette(light);
}

}  // namespace
}  // namespace orx::testing
