// Searches as a user runs them, against the real slapd: what the list shows, how
// it is counted and sorted, and what View, Install and Export do with a row.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <algorithm>

#include "core/config_file.h"
#include "core/os/folders.h"
#include "core/product_identity.h"
#include "der/cert_inspection.h"
#include "der/cert_store.h"
#include "search/search_dialog_ids.h"
#include "search_dialog_fixture.h"
#include "support/gui/file_dialog_answers.h"
#include "support/process_state.h"
#include "ui/file_dialog.h"
#include "ui/owner_draw_list.h"

namespace orx {
namespace {

using testing::BranchPerson;
using testing::Row;
using testing::SearchDialogTest;

const std::string& BulkBranch() {
    static const std::string base = [] {
        std::vector<BranchPerson> people;
        for (int i = 1; i <= 150; ++i) {
            people.push_back(
                {"Bulk Person " + std::to_string(i), "bulk" + std::to_string(i) + "@example.org"});
        }
        return testing::DirectoryBranch("bulk", people);
    }();
    return base;
}

// Three people whose names and addresses sort in different orders.
const std::string& CountBranch() {
    static const std::string base =
        testing::DirectoryBranch("count", {{"Count Bravo", "c@example.org"},
                                           {"Count Alpha", "b@example.org"},
                                           {"Count Charlie", "a@example.org"}});
    return base;
}

const std::string& DuplicateBranch() {
    static const std::string base =
        testing::DirectoryBranch("dup", {{"Dana Dup One", "dana@example.org", "300101000000Z"},
                                         {"Dana Dup Two", "DANA@example.org", "400101000000Z"},
                                         {"Dana Dup Three", "dana@example.org", "350101000000Z"}});
    return base;
}

class SearchResults : public SearchDialogTest {
  protected:
    void SetUp() override {
        SearchDialogTest::SetUp();
        ASSERT_TRUE(testing::SharedSlapd().running()) << testing::SharedSlapd().error();
    }

    // A simple search for a name in one branch.
    void SearchName(const std::string& base, const std::string& name) {
        UseDirectory(testing::SharedSlapd().url(), base);
        Open();
        Type(kIdNameEdit, name);
        ASSERT_TRUE(SearchAndWait());
    }

    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        for (const Row& row : Rows())
            texts.push_back(row[static_cast<size_t>(column)]);
        return texts;
    }
};

TEST_F(SearchResults, AHundredAndFiftyMatchesStopAtAHundredListed) {
    SearchName(BulkBranch(), "Bulk Person");
    EXPECT_EQ(Rows().size(), 100u);
    EXPECT_EQ(dialog_->Found(), 100);
    EXPECT_EQ(Status(), "100 found");
    // Every row is a different person with the address of its certificate.
    std::vector<std::string> mails = Column(1);
    std::sort(mails.begin(), mails.end());
    EXPECT_EQ(std::unique(mails.begin(), mails.end()), mails.end());
    EXPECT_EQ(mails.front().rfind("bulk", 0), 0u);
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(SearchResults, OneAddressIsListedOnceWithTheLaterNotAfter) {
    SearchName(DuplicateBranch(), "Dana Dup");
    const std::vector<Row> rows = Rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "Dana Dup Two");
    std::string notBefore;
    std::string notAfter;
    ASSERT_TRUE(CertGetValidity(dialog_->RowCertificate(0), notBefore, 32, notAfter, 32, false));
    EXPECT_EQ(notAfter, "400101000000Z");
    EXPECT_EQ(dialog_->Found(), 1);
    EXPECT_EQ(Status(), "");
}

struct StatusCase {
    const char* filter;
    size_t rows;
    const char* status;
};

TEST_F(SearchResults, StatusLineCountsFromThreeResultsOn) {
    UseDirectory(testing::SharedSlapd().url(), CountBranch());
    Open();
    Click(kIdAdvanced);
    const StatusCase cases[] = {
        {"(cn=Count Alpha)", 1, ""},
        {"(|(cn=Count Alpha)(cn=Count Bravo))", 2, ""},
        {"(cn=Count*)", 3, "3 found"},
        {"(cn=Nobody)", 0, ""},
    };
    for (const StatusCase& c : cases) {
        SCOPED_TRACE(c.filter);
        Type(kIdFilterEdit, c.filter);
        ASSERT_TRUE(SearchAndWait());
        EXPECT_EQ(Rows().size(), c.rows);
        EXPECT_EQ(Status(), c.status);
        // The result buttons wait for a selection.
        EXPECT_FALSE(Item(kIdView)->isEnabled());
    }
}

TEST_F(SearchResults, NameSortsDescendingFirstAndOtherColumnsAscending) {
    SearchName(CountBranch(), "Count");
    ASSERT_EQ(Rows().size(), 3u);
    QHeaderView* header = dialog_->Results()->header();
    auto clickHeader = [&](int column) {
        const QPoint at(header->sectionViewportPosition(column) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    };
    const std::vector<std::string> names = {"Count Alpha", "Count Bravo", "Count Charlie"};
    const std::vector<std::string> reversed(names.rbegin(), names.rend());
    const std::vector<std::string> mails = {"a@example.org", "b@example.org", "c@example.org"};

    clickHeader(0);  // the sort starts as name ascending
    EXPECT_EQ(Column(0), reversed);
    EXPECT_FALSE(dialog_->SortAscending());
    clickHeader(0);
    EXPECT_EQ(Column(0), names);
    clickHeader(1);
    EXPECT_EQ(Column(1), mails);
    EXPECT_EQ(dialog_->SortColumn(), 1);
    EXPECT_TRUE(dialog_->SortAscending());
    clickHeader(1);
    EXPECT_EQ(Column(1), std::vector<std::string>(mails.rbegin(), mails.rend()));
    clickHeader(0);  // another column again: ascending
    EXPECT_EQ(Column(0), names);
    // The selection follows its row through a sort.
    SelectRows({0});
    clickHeader(0);
    ASSERT_EQ(dialog_->Results()->selectedItems().size(), 1);
    EXPECT_EQ(dialog_->Results()->selectedItems()[0]->text(0).toStdString(), "Count Alpha");
}

TEST_F(SearchResults, InstallPutsTheSelectedCertificatesIntoTheAddressBook) {
    SearchName(CountBranch(), "Count");
    ASSERT_EQ(Rows().size(), 3u);
    for (const Row& row : Rows())
        EXPECT_EQ(row[2], "");
    SelectRows({0, 2});
    Click(kIdInstall);
    std::optional<CertStore> store = OpenUserStore("AddressBook");
    ASSERT_TRUE(store);
    EXPECT_EQ(store->List().size(), 2u);
    for (int row : {0, 1, 2}) {
        DerBytes der;
        ASSERT_TRUE(CertGetData(dialog_->RowCertificate(row), &der));
        const bool installed = row != 1;
        EXPECT_EQ(store->Find(der).has_value(), installed) << row;
        EXPECT_EQ(Rows()[static_cast<size_t>(row)][2], installed ? "Other People" : "") << row;
    }
    // A new search finds them there.
    ASSERT_TRUE(SearchAndWait());
    int otherPeople = 0;
    for (const Row& row : Rows())
        otherPeople += row[2] == "Other People" ? 1 : 0;
    EXPECT_EQ(otherPeople, 2);
}

TEST_F(SearchResults, ExportedCardEqualsTheCommandLinesCard) {
    SearchName(CountBranch(), "Count Alpha");
    ASSERT_EQ(Rows().size(), 1u);
    SelectRows({0});
    DerBytes der;
    ASSERT_TRUE(CertGetData(dialog_->RowCertificate(0), &der));
    const std::string certificate = env_ / "alpha.der";
    testing::WriteFile(certificate, std::string(der.begin(), der.end()));
    const std::string expected = env_ / "expected.vcf";
    ASSERT_EQ(testing::RunCommand(testing::BinPath("orxxctl") + " cert vcard " + certificate + " " +
                                  expected),
              0);

    file_dialog_testing::ScopedFileDialogAnswers answers;
    const std::string card = env_ / "alpha.vcf";
    answers.QueueChoice(card);
    Click(kIdExport);
    EXPECT_EQ(testing::ReadFile(card), testing::ReadFile(expected));
    ASSERT_EQ(answers.Requests().size(), 1u);
    EXPECT_EQ(answers.Requests()[0].proposed, "Count Alpha.vcf");
    EXPECT_EQ(answers.Requests()[0].description, "Buisness card (*.vcf)");
    EXPECT_FALSE(answers.Requests()[0].open);
}

TEST_F(SearchResults, ExportAsksBeforeReplacingAndAgainAfterAFailure) {
    SearchName(CountBranch(), "Count Alpha");
    SelectRows({0});
    const std::string existing = env_ / "existing.vcf";
    testing::WriteFile(existing, "keep");
    const std::string chosen = env_ / "chosen.vcf";
    file_dialog_testing::ScopedFileDialogAnswers answers;
    answers.QueueChoice(existing);                     // No to replacing it
    answers.QueueChoice(existing + "/in/a/file.vcf");  // cannot be written
    answers.QueueChoice(chosen);
    messages_.QueueAnswer(7);
    Click(kIdExport);
    EXPECT_EQ(testing::ReadFile(existing), "keep");
    EXPECT_NE(testing::ReadFile(chosen).find("FN:Count Alpha\r\n"), std::string::npos);
    EXPECT_EQ(answers.Requests().size(), 3u);
    ASSERT_EQ(messages_.Messages().size(), 2u);
    EXPECT_EQ(messages_.Messages()[0].text.rfind(
                  "File exists. Do you want to replace the existing file?", 0),
              0u);
    EXPECT_EQ(messages_.Messages()[1].text.rfind("Save failed,", 0), 0u);
    EXPECT_NE(messages_.Messages()[1].text.find("(E35)"), std::string::npos);
}

TEST_F(SearchResults, ViewShowsEverySelectedCertificateWithTheClientProgram) {
    SearchName(CountBranch(), "Count");
    // The client program of a folder of the test's own notes what it is asked.
    const std::string bin = env_ / "bin";
    ASSERT_EQ(testing::RunCommand("mkdir -p '" + bin + "'"), 0);
    const std::string log = env_ / "client.log";
    testing::WriteFile(bin + "/orx", "#!/bin/sh\necho \"$1\" >> '" + log + "'\n");
    ASSERT_EQ(testing::RunCommand("chmod 755 '" + bin + "/orx'"), 0);
    SetProgramPath(bin + "/orxxadm");
    identity_testing::Reset();
    InitProductIdentity();
    SelectRows({0, 2});
    Click(kIdView);
    EXPECT_TRUE(ui_testing::WaitFor(
        [&] { return testing::PathExists(log) && testing::ReadFile(log) == "-view\n-view\n"; },
        5000))
        << (testing::PathExists(log) ? testing::ReadFile(log) : "no client started");
    // A double click views its row.
    QTreeWidget* list = dialog_->Results();
    const QRect rect = list->visualItemRect(list->topLevelItem(1));
    // As the mouse gives it: a click, then the second press that makes it double.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_TRUE(ui_testing::WaitFor(
        [&] { return testing::ReadFile(log) == "-view\n-view\n-view\n"; }, 5000))
        << testing::ReadFile(log);
}

}  // namespace
}  // namespace orx
