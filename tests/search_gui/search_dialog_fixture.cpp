#include "search_dialog_fixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QWindow>
#include <map>
#include <mutex>

#include "core/config_file.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"

namespace orx::testing {

namespace {

// Serial numbers of the branch certificates: far from those of other tests.
int SerialOf(const std::string& branch, size_t index) {
    return static_cast<int>(std::hash<std::string>{}(branch) % 4000) * 256 +
           static_cast<int>(index) + 0x10000;
}

std::map<std::string, std::string>& Branches() {
    static std::map<std::string, std::string> branches;
    return branches;
}

std::map<std::string, std::vector<BranchPerson>>& BranchPeople() {
    static std::map<std::string, std::vector<BranchPerson>> people;
    return people;
}

}  // namespace

Bytes BranchCertificate(const std::string& branch, size_t index) {
    const BranchPerson& person = BranchPeople().at(branch).at(index);
    return PersonCertificate(person.cn, person.mail, SerialOf(branch, index), person.notAfter);
}

std::string DirectoryBranch(const std::string& branch, const std::vector<BranchPerson>& people) {
    const std::string base = "ou=" + branch + "," + kSlapdBase;
    if (Branches().count(branch) != 0)
        return base;
    SlapdServer& server = SharedSlapd();
    EXPECT_TRUE(server.running()) << server.error();
    BranchPeople()[branch] = people;
    std::string ldif = "dn: " + base + "\nobjectClass: organizationalUnit\nou: " + branch + "\n\n";
    for (size_t i = 0; i < people.size(); ++i) {
        DirectoryPerson person;
        person.cn = people[i].cn;
        person.mail = people[i].mail;
        person.certificates = {BranchCertificate(branch, i)};
        person.rdn = "cn=" + people[i].cn + ",ou=" + branch;
        ldif += server.PersonLdif(person, people[i].extraLines) + "\n";
    }
    EXPECT_TRUE(server.Add(ldif)) << server.error();
    Branches()[branch] = base;
    return base;
}

void SearchDialogTest::SetUp() {
    app_.StartPlugin();
}

void SearchDialogTest::TearDown() {
    if (dialog_) {
        EXPECT_TRUE(Close()) << "the dialog would not close";
        dialog_.reset();
    }
}

void SearchDialogTest::UseDirectory(const std::string& url, const std::string& base,
                                    const std::string& filter, int number,
                                    const std::string& description) {
    ASSERT_EQ(ConfigWriteString("Directory", std::to_string(number),
                                description + "|" + url + "|" + base + "|" + filter),
              kConfigOk);
}

CDlgSearchCert& SearchDialogTest::Open() {
    dialog_ = std::make_unique<CDlgSearchCert>(app_, nullptr);
    EXPECT_TRUE(dialog_->Create());
    QWidget* window = dialog_->Window();
    if (window != nullptr) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        QApplication::processEvents();
    }
    return *dialog_;
}

bool SearchDialogTest::Close(int timeoutMs) {
    QWidget* window = dialog_ ? dialog_->Window() : nullptr;
    if (window == nullptr || !window->isVisible())
        return true;
    Click(kIdCancel);
    return ui_testing::WaitFor([window] { return !window->isVisible(); }, timeoutMs);
}

void SearchDialogTest::Click(int id) {
    auto* button = ItemAs<QAbstractButton>(id);
    ASSERT_NE(button, nullptr) << "no button " << id;
    ASSERT_TRUE(button->isEnabled()) << "button " << id << " is disabled";
    QTest::mouseClick(button, Qt::LeftButton);
}

void SearchDialogTest::Type(int id, const std::string& text) {
    auto* edit = ItemAs<QLineEdit>(id);
    ASSERT_NE(edit, nullptr) << "no edit " << id;
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, ToQString(text));
}

bool SearchDialogTest::WaitIdle(int timeoutMs) {
    return ui_testing::WaitFor([this] { return !dialog_->Searching(); }, timeoutMs);
}

bool SearchDialogTest::SearchAndWait(int timeoutMs) {
    Click(kIdOk);
    return WaitIdle(timeoutMs);
}

std::vector<Row> SearchDialogTest::Rows() const {
    std::vector<Row> rows;
    COwnerDrawList* list = dialog_->Results();
    for (int i = 0; list != nullptr && i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        rows.push_back({ToUtf8(item->text(0)), ToUtf8(item->text(1)), ToUtf8(item->text(2))});
    }
    return rows;
}

std::string SearchDialogTest::Status() const {
    auto* status = ItemAs<QLabel>(kIdStatus);
    return status != nullptr ? ToUtf8(status->text()) : "<no status>";
}

void SearchDialogTest::SelectRows(const std::vector<int>& rows) {
    COwnerDrawList* list = dialog_->Results();
    ASSERT_NE(list, nullptr);
    list->clearSelection();
    for (int row : rows) {
        ASSERT_NE(list->topLevelItem(row), nullptr) << "no row " << row;
        list->topLevelItem(row)->setSelected(true);
    }
    QApplication::processEvents();
}

}  // namespace orx::testing
