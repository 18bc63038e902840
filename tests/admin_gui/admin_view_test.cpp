// The token view from the plug-in's "Component", "CertificateEx", "TokenInfo" and
// "Object" answers: what each mode shows, the tabs, the column widths, and where
// double-clicks, context menus and dropped files go.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QMimeData>
#include <QTabBar>
#include <QTest>
#include <QUrl>

#include "admin/admin_commands.h"
#include "admin_fixture.h"
#include "core/base64.h"
#include "core/config_file.h"
#include "ui/item_registry.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"

namespace orx {
namespace {

using testing::AdminWindowTest;
using testing::WithPopup;
using Texts = std::vector<std::string>;
using Rows = std::vector<Texts>;

// "CertificateEx" as the module gives it; the view uses fields 0, 3, 4 and 7.
std::string Certificate(int32_t slot, const std::string& subject) {
    return std::to_string(slot) + ";Label;00ff;" + subject +
           ";2.5.4.6=SE, 2.5.4.10=Example AB, 2.5.4.3=Example CA;0A;2025-01-01;2027-01-31;160;0;"
           "MIIBAAAA";
}

class TokenViewTest : public AdminWindowTest {
  protected:
    testing::RecordingView* View() const { return frame_->Recorder(); }
    COwnerDrawList* Content() const { return View()->ContentList(); }
    Rows Shown() const {
        Rows rows;
        for (int row = 0; row < Content()->topLevelItemCount(); ++row) {
            Texts cells;
            for (int column = 0; column < Content()->columnCount(); ++column)
                cells.push_back(ToUtf8(Content()->topLevelItem(row)->text(column)));
            rows.push_back(cells);
        }
        return rows;
    }
    Texts Headings() const {
        Texts headings;
        for (int column = 0; column < Content()->columnCount(); ++column)
            headings.push_back(ToUtf8(Content()->headerItem()->text(column)));
        return headings;
    }
    Texts TabTexts() const {
        Texts texts;
        for (int index = 0; index < View()->Tabs()->count(); ++index)
            texts.push_back(ToUtf8(View()->Tabs()->tabText(index)));
        return texts;
    }
    void SelectTab(int index) { View()->Tabs()->setCurrentIndex(index); }
};

TEST_F(TokenViewTest, Components) {
    fake_.AnswerGet("Version", "04020000 Orvex token plug-in module");
    AnswerList("Component", {"/usr/lib/Orvex/orx.so;05060262 (OpenSSL 3.0.11);Token module",
                             "/usr/bin/orxxadm;04020000;Administration"});
    Open();
    frame_->List()->SelectSlot(999);
    EXPECT_EQ(View()->Mode(), kModeComponents);
    EXPECT_EQ(View()->CurrentSlot(), -1);
    EXPECT_EQ(View()->HeaderLine(1), "Orvex");
    EXPECT_EQ(View()->HeaderLine(2), "4.2.0.0 Orvex token plug-in module");
    // The first line stands out in bold, at the size of the second.
    const QFont first = FindItem(View()->Form(), kIdHeaderLine1)->font();
    const QFont second = FindItem(View()->Form(), kIdHeaderLine2)->font();
    EXPECT_TRUE(first.bold());
    EXPECT_FALSE(second.bold());
    EXPECT_EQ(first.pointSizeF(), second.pointSizeF());
    EXPECT_TRUE(View()->Tabs()->isHidden());
    EXPECT_EQ(Headings(), (Texts{"Filename", "Version", "Information", "Special"}));
    EXPECT_EQ(Shown(), (Rows{{"orx.so", "5.6.2.62", "Token module", "OpenSSL 3.0.11"},
                             {"orxxadm", "4.2.0.0", "Administration", ""}}));
    EXPECT_EQ(Content()->ItemImage(0), kImageComponent);
}

TEST_F(TokenViewTest, CertificatesOfTheCardsSlotGroup) {
    AnswerList("SlotCard", {"4;Reader;Card", "5;Reader;Card", "6;Reader;Card", "7;Other;Card",
                            "8;Other;Card", "9;Other;Card"});
    fake_.AnswerGet("TokenInfo", "4;Company Card (Authentication);0A1B 2C3D;Valdoran;Smart Card");
    AnswerList("CertificateEx",
               {Certificate(4, "Auth"), Certificate(5, "Sign"), Certificate(6, "Crypt"),
                Certificate(100, "Soft"), Certificate(10, "Next card")});
    Open();
    frame_->List()->SelectSlot(4);
    EXPECT_EQ(View()->HeaderLine(1), "Company Card");
    EXPECT_EQ(View()->HeaderLine(2), "0A1B 2C3D");
    EXPECT_EQ(Headings(), (Texts{"Subject", "Issuer", "Expiration Date"}));
    EXPECT_EQ(Shown(), (Rows{{"Auth", "Example CA, Example AB", "2027-01-31"},
                             {"Sign", "Example CA, Example AB", "2027-01-31"},
                             {"Crypt", "Example CA, Example AB", "2027-01-31"}}));
    ASSERT_NE(View()->CertificateEntryAt(1), nullptr);
    EXPECT_EQ(*View()->CertificateEntryAt(1), Certificate(5, "Sign"));
    EXPECT_EQ(View()->CertificateEntryAt(3), nullptr);
    frame_->List()->SelectSlot(7);
    EXPECT_EQ(View()->CurrentSlot(), 7);
    EXPECT_TRUE(Shown().empty());
}

TEST_F(TokenViewTest, ASoftTokenKeepsItsNoteAndItsOwnCertificates) {
    AnswerList("SlotSoft", {"100;Soft (backup);soft", "101;Other;other"});
    fake_.AnswerGet("TokenInfo", "100;Soft (backup);0A1B;Valdoran;Soft Token");
    AnswerList("CertificateEx", {Certificate(100, "Mine"), Certificate(101, "Not mine"),
                                 Certificate(102, "Neither")});
    Open();
    frame_->List()->SelectSlot(100);
    EXPECT_EQ(View()->HeaderLine(1), "Soft (backup)");
    EXPECT_EQ(Shown(), (Rows{{"Mine", "Example CA, Example AB", "2027-01-31"}}));
}

TEST_F(TokenViewTest, TabsFromTheConfiguredMask) {
    AnswerList("SlotSoft", {"100;Soft;soft"});
    fake_.AnswerGet("TokenInfo", "100;Soft;0A1B;Valdoran;Soft Token");
    const struct {
        const char* mask;  // nullptr: no key
        Texts tabs;
    } cases[] = {
        {nullptr, {"Certificates", "Public Box", "Private Box"}},
        {"1", {"Certificates"}},
        {"0", {"Certificates"}},
        {"6", {"Certificates", "Public Box", "Private Box"}},
        {"5", {"Certificates", "Private Box"}},
    };
    Open();
    for (const auto& c : cases) {
        if (c.mask != nullptr) {
            ASSERT_EQ(ConfigWriteString("Admin Utility", "ObjectsTabMode", c.mask), kConfigOk);
        } else {
            ConfigDeleteKey("Admin Utility", "ObjectsTabMode");
        }
        frame_->List()->SelectSlot(999);
        frame_->List()->SelectSlot(100);
        EXPECT_EQ(TabTexts(), c.tabs) << (c.mask ? c.mask : "none");
    }
    // With the public box left out, the second tab is the private box.
    fake_.ClearCalls();
    SelectTab(1);
    EXPECT_EQ(View()->ShownTab(), kTabPrivateBox);
    EXPECT_EQ(Calls("PlgSetProperty\tCKA_PRIVATE"), Texts{"PlgSetProperty\tCKA_PRIVATE\t0x01"});
}

std::string DataBoxObject(const std::string& blob) {
    return "Orvex;" + Base64Encode(blob);
}

TEST_F(TokenViewTest, DataBoxes) {
    AnswerList("SlotSoft", {"100;Soft;soft"});
    fake_.AnswerGet("TokenInfo", "100;Soft;0A1B;Valdoran;Soft Token");
    fake_.AnswerEnum(
        "Object", 0,
        DataBoxObject(testing::DataBoxBlob({{"Phone", "+46 8 123"}, {"Room", "B 12"}})));
    Open();
    frame_->List()->SelectSlot(100);
    fake_.ClearCalls();
    SelectTab(1);
    EXPECT_EQ(Headings(), (Texts{"Description", "Value"}));
    EXPECT_EQ(Shown(), (Rows{{"Phone", "+46 8 123"}, {"Room", "B 12"}}));
    EXPECT_EQ(Calls("PlgSetProperty\tCKA_"),
              (Texts{"PlgSetProperty\tCKA_CLASS\t0x00000000", "PlgSetProperty\tCKA_TOKEN\t0x01",
                     "PlgSetProperty\tCKA_LABEL\t", "PlgSetProperty\tCKA_PRIVATE\t0x00",
                     "PlgSetProperty\tCKA_APPLICATION\tOrvex"}));
    EXPECT_EQ(Content()->ItemImage(1), kImageDataEntry);

    // The private box logs in first; a failed login leaves it empty.
    app_.SetProperty("LoggedIn", "false");
    fake_.AnswerInvoke("Login", 160);
    app_.Finalize();
    app_.StartPlugin();
    app_.SetProperty("LoggedIn", "false");
    fake_.ClearCalls();
    SelectTab(2);
    EXPECT_EQ(Calls("PlgInvoke\tLogin").size(), 1u);
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(Content()->columnCount(), 0);
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(TokenViewTest, AMalformedDataBoxIsEmpty) {
    AnswerList("SlotSoft", {"100;Soft;soft"});
    fake_.AnswerGet("TokenInfo", "100;Soft;0A1B;Valdoran;Soft Token");
    for (const std::string& object :
         {DataBoxObject("\x01" + testing::DataBoxBlob({{"Key", "Value"}}).substr(1)),
          std::string("no separator"), std::string("Orvex;")}) {
        testing::WriteFile(fake_.controlFolder() + "/answers", "");
        AnswerList("SlotSoft", {"100;Soft;soft"});
        fake_.AnswerGet("TokenInfo", "100;Soft;0A1B;Valdoran;Soft Token");
        fake_.AnswerEnum("Object", 0, object);
        app_.Finalize();
        Open();
        frame_->List()->SelectSlot(100);
        SelectTab(1);
        EXPECT_TRUE(Shown().empty()) << object;
        EXPECT_EQ(Headings(), (Texts{"Description", "Value"})) << object;
        frame_.reset();
    }
}

TEST_F(TokenViewTest, WithoutTokenInfoNothingIsShownButTheSlotIsKept) {
    AnswerList("SlotCard", {"1;Reader;", "2;Reader;", "3;Reader;"});
    Open();
    frame_->List()->SelectSlot(999);
    frame_->List()->SelectSlot(1);
    EXPECT_EQ(View()->Mode(), kModeNothing);
    EXPECT_EQ(View()->CurrentSlot(), 1);
    EXPECT_TRUE(Content()->isHidden());
    EXPECT_TRUE(View()->Tabs()->isHidden());
}

TEST_F(TokenViewTest, ColumnWidthsFromAndToTheSettings) {
    AnswerList("SlotSoft", {"100;Soft;soft"});
    fake_.AnswerGet("TokenInfo", "100;Soft;0A1B;Valdoran;Soft Token");
    ASSERT_EQ(ConfigWriteString("Dialog", "WidthColumnCert0", "260"), kConfigOk);
    ASSERT_EQ(ConfigWriteString("Dialog", "WidthColumnCert1", "1000"), kConfigOk);
    Open();
    frame_->List()->SelectSlot(100);
    QHeaderView* header = Content()->header();
    EXPECT_EQ(header->sectionSize(0), 260);
    EXPECT_EQ(header->sectionSize(1), 500);
    // No stored width cuts a column's heading.
    for (int column = 0; column < Content()->columnCount(); ++column)
        EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column)) << column;

    header->resizeSection(0, 310);
    SelectTab(1);  // the widths are kept before another tab is shown
    EXPECT_EQ(settings_[kWidthColumnCert0], 310);
    header->resizeSection(1, 222);
    SelectTab(2);
    EXPECT_EQ(settings_[kWidthColumnData1], 222);
    header->resizeSection(0, 99);
    frame_->List()->SelectSlot(999);  // the private box keeps nothing
    EXPECT_EQ(settings_[kWidthColumnData0], 150);
    const QSize size = View()->size();
    EXPECT_EQ(settings_[kWidthView], (size.width() << 16) + size.height());
}

TEST_F(TokenViewTest, DoubleClicksDropsAndContextMenusGoToTheCommands) {
    AnswerList("SlotSoft", {"100;Soft;soft"});
    fake_.AnswerGet("TokenInfo", "100;Soft;0A1B;Valdoran;Soft Token");
    AnswerList("CertificateEx", {Certificate(100, "Mine")});
    fake_.AnswerEnum("Object", 0, DataBoxObject(testing::DataBoxBlob({{"Phone", "+46"}})));
    Open();
    frame_->List()->SelectSlot(100);
    const struct {
        int tab;
        const char* doubleClick;
        Texts menu;
        int chosen;
        const char* recorded;
    } cases[] = {
        {0,
         "view certificate",
         {"&View...", "-", "&Add...", "&Export...", "&Delete"},
         kCmdCertificateExport,
         "export certificate"},
        {1, "edit public", {"&Add...", "&Edit...", "&Delete"}, kCmdPublicDelete, "delete public"},
        {2, "edit private", {"&Add...", "&Edit...", "&Delete"}, kCmdPrivateAdd, "add private"},
    };
    for (const auto& c : cases) {
        SelectTab(c.tab);
        ASSERT_GT(Content()->topLevelItemCount(), 0) << c.tab;
        View()->commands.clear();
        const QRect row = Content()->visualItemRect(Content()->topLevelItem(0));
        // A click, then the double-click, as a hand gives them.
        QTest::mouseClick(Content()->viewport(), Qt::LeftButton, {}, row.center());
        QTest::mouseDClick(Content()->viewport(), Qt::LeftButton, {}, row.center());
        EXPECT_EQ(View()->commands, Texts{c.doubleClick}) << c.tab;
        View()->commands.clear();
        EXPECT_EQ(WithPopup([&] { View()->ShowContextMenu(QPoint(20, 20)); }, c.chosen), c.menu)
            << c.tab;
        EXPECT_EQ(View()->commands, Texts{c.recorded}) << c.tab;
        // Insert and Delete act on what the tab shows.
        View()->commands.clear();
        View()->OnCommand(kCmdAdd);
        View()->OnCommand(kCmdDelete);
        EXPECT_EQ(View()->commands.size(), 2u) << c.tab;
    }

    // Files dropped on the list are added to the token, in mode 5 only.
    View()->commands.clear();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/tmp/a.cer"), QUrl::fromLocalFile("/tmp/b c.crt")});
    // As a drag brings them: it enters the list, then lets go.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(Content()->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(Content()->viewport(), &drop);
    EXPECT_EQ(View()->commands, (Texts{"add /tmp/a.cer to 100", "add /tmp/b c.crt to 100"}));
    EXPECT_TRUE(Content()->acceptDrops());
    frame_->List()->SelectSlot(999);
    EXPECT_FALSE(Content()->acceptDrops());
    View()->commands.clear();
    View()->OnDropFiles({QStringLiteral("/tmp/a.cer")});
    EXPECT_TRUE(View()->commands.empty());
    // Outside mode 5 the view offers no menu.
    EXPECT_TRUE(WithPopup([&] { View()->ShowContextMenu(QPoint(20, 20)); }).empty());
}

}  // namespace
}  // namespace orx
