// Pictures of the window for a person to look at (build/test-output/admin_*.png, at
// 100 % and, in the second run, 200 %), in English and German: the components, a
// soft token with certificates, a card and the public box. Each is checked for
// what a person would see cut: a header line, a column heading, a tab or a menu
// caption.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>

#include "admin_fixture.h"
#include "core/base64.h"
#include "core/config_file.h"
#include "core/language.h"
#include "ui/commands.h"
#include "ui/item_registry.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"
#include "ui/qt_translations.h"
#include "ui_gui/gui_test_support.h"

namespace orx {
namespace {

using testing::AdminWindowTest;

// The text of an item without its mnemonic marks and without its keys.
QString Plain(QString text) {
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    if (tab >= 0)
        text.truncate(tab);
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

void ExpectMenuWhole(QMenu* menu, const std::string& where) {
    menu->ensurePolished();
    (void)menu->sizeHint();  // lays the items out
    const QFontMetrics metrics(menu->font());
    for (QAction* action : menu->actions()) {
        if (action->isSeparator() || !action->isVisible())
            continue;
        const QRect item = menu->actionGeometry(action);
        EXPECT_GE(item.width(), metrics.horizontalAdvance(Plain(action->text())))
            << where << ": " << ToUtf8(action->text());
        if (action->menu() != nullptr)
            ExpectMenuWhole(action->menu(), where + " > " + ToUtf8(action->text()));
    }
}

// Nothing a person reads in the window is cut.
void ExpectNothingCut(CAdminMain& frame, const std::string& where) {
    QApplication::processEvents();
    CAdminView* view = frame.View();
    for (int id : {kIdHeaderLine1, kIdHeaderLine2}) {
        auto* line = FindItemAs<QLabel>(view->Form(), id);
        ASSERT_NE(line, nullptr);
        if (line->isVisible()) {
            EXPECT_GE(line->width(), line->sizeHint().width()) << where << ": " << id;
        }
    }
    // The form fits the pane: nothing to scroll to.
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0) << where;
    COwnerDrawList* content = view->ContentList();
    if (content->isVisible()) {
        for (int column = 0; column < content->columnCount(); ++column) {
            EXPECT_GE(content->header()->sectionSize(column),
                      content->header()->sectionSizeHint(column))
                << where << ": column " << column;
        }
    }
    QTabBar* tabs = view->Tabs();
    if (tabs->isVisible()) {
        for (int index = 0; index < tabs->count(); ++index) {
            EXPECT_GE(tabs->tabRect(index).width(),
                      tabs->fontMetrics().horizontalAdvance(tabs->tabText(index)))
                << where << ": tab " << index;
            EXPECT_LE(tabs->tabRect(index).right(), tabs->width()) << where;
        }
    }
    QMenuBar* bar = frame.menuBar();
    const QFontMetrics metrics(bar->font());
    for (QAction* action : bar->actions()) {
        const QRect caption = bar->actionGeometry(action);
        EXPECT_TRUE(bar->rect().contains(caption)) << where << ": " << ToUtf8(action->text());
        EXPECT_GE(caption.width(), metrics.horizontalAdvance(Plain(action->text()))) << where;
        ExpectMenuWhole(action->menu(), where + ": " + ToUtf8(action->text()));
    }
}

class AdminPicturesTest : public AdminWindowTest,
                          public ::testing::WithParamInterface<const char*> {
  protected:
    void TearDown() override { InstallQtTranslations(1033); }
};

TEST_P(AdminPicturesTest, EachPaneAsShown) {
    const std::string language = GetParam();
    const std::string code = language == "Deutsch" ? "de" : "en";
    ASSERT_EQ(ConfigWriteString("Language", "Current", language), kConfigOk);
    fake_.AnswerGet("Version", "04020000 Orvex token plug-in module");
    AnswerList("Component",
               {"/usr/lib/Orvex/orx.so;04020000 (OpenSSL 3.0.11);Token plug-in module",
                "/usr/bin/orxxadm;04020000;Administration", "/usr/bin/orx;04020000;Client program",
                "/usr/bin/orxxctl;04020000;Command line"});
    AnswerList("SlotCard", {"1;Virtual Reader 1;Company Card", "2;Virtual Reader 1;Company Card",
                            "3;Virtual Reader 1;Company Card"});
    AnswerList("SlotSoft", {"100;Alice Example;alice", "101;Backup;backup"});
    AnswerList("Token", {"1;Company Card (Authentication)", "2;Company Card (Signature)",
                         "3;Company Card (Encryption)", "100;Alice Example", "101;Backup"});
    const char* subjects[] = {"Alice Example", "Alice Example (Signature)", "Alice Example (Mail)"};
    int index = 0;
    for (const char* subject : subjects) {
        fake_.AnswerEnum("CertificateEx", index++,
                         std::string("100;Alice;00;") + subject +
                             ";2.5.4.6=SE, 2.5.4.10=Example AB, 2.5.4.3=Example Issuing CA 2;0A;"
                             "2025-01-01;2027-01-31;160;0;MIIB");
    }
    fake_.AnswerEnum("CertificateEx", index++,
                     "1;Company Card;00;Card Holder;2.5.4.3=Company CA;0B;2025-01-01;2026-06-30;"
                     "128;0;MIIB");
    fake_.AnswerEnum("Object", 0,
                     "Orvex;" + Base64Encode(testing::DataBoxBlob(
                                    {{"Phone", "+46 8 123 45 67"}, {"Room", "B 12, 3rd floor"}})));
    Open();
    InstallQtTranslations(language == "Deutsch" ? 1031 : 1033);

    const struct {
        const char* name;
        int32_t slot;
        const char* tokenInfo;
        int tab;
    } panes[] = {
        {"components", 999, nullptr, 0},
        {"soft_token", 100, "100;Alice Example;0A1B 2C3D 4E5F 6071;Valdoran;Soft Token", 0},
        {"card", 1, "1;Company Card (Authentication);1F2E 3D4C 5B6A 7980;Valdoran;Smart Card", 0},
        {"data_box", 100, "100;Alice Example;0A1B 2C3D 4E5F 6071;Valdoran;Soft Token", 1},
    };
    for (const auto& pane : panes) {
        if (pane.tokenInfo != nullptr)
            app_.SetProperty("TokenInfo", pane.tokenInfo);
        frame_->List()->SelectSlot(pane.slot);
        if (pane.tab != 0)
            frame_->View()->Tabs()->setCurrentIndex(pane.tab);
        const std::string where = std::string(pane.name) + "_" + code;
        EXPECT_EQ(frame_->View()->Mode(), pane.slot == 999 ? kModeComponents : kModeToken) << where;
        ExpectNothingCut(*frame_, where);
        EXPECT_FALSE(testing::SavePicture(frame_.get(), "admin_" + where).empty()) << where;
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, AdminPicturesTest, ::testing::Values("English", "Deutsch"),
                         [](const auto& info) { return std::string(info.param); });

// Every language the tables offer, switched as the settings dialog switches it.
TEST_F(AdminWindowTest, AdminPicturesNothingCutInAnyLanguage) {
    fake_.AnswerGet("Version", "04020000 Orvex token plug-in module");
    AnswerList("Component", {"/usr/lib/Orvex/orx.so;04020000 (OpenSSL 3.0.11);Token module"});
    AnswerList("SlotSoft", {"100;Alice Example;alice"});
    AnswerList("Token", {"100;Alice Example"});
    fake_.AnswerGet("TokenInfo", "100;Alice Example;0A1B 2C3D 4E5F 6071;Valdoran;Soft Token");
    fake_.AnswerEnum(
        "CertificateEx", 0,
        "100;Alice;00;Alice Example;2.5.4.3=Example CA;0A;2025-01-01;2027-01-31;0;0;M");
    Open();
    std::string name;
    int languages = 0;
    for (int index = 0; EnumLanguageName(name, 64, index);) {
        ASSERT_TRUE(SelectLanguage(name)) << name;
        frame_->ApplySettingsChange();
        ++languages;
        for (int32_t slot : {999, 100}) {
            frame_->List()->SelectSlot(slot);
            for (int tab = 0; tab < (slot == 100 ? 3 : 1); ++tab) {
                if (slot == 100)
                    frame_->View()->Tabs()->setCurrentIndex(tab);
                ExpectNothingCut(*frame_,
                                 name + " " + std::to_string(slot) + "/" + std::to_string(tab));
            }
        }
    }
    EXPECT_EQ(languages, 11);
    InstallQtTranslations(1033);
}

}  // namespace
}  // namespace orx
