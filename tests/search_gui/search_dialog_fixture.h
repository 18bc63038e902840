// The Search Certificates dialog as a test opens it: its own folders, the real
// module started, messages answered by the sink, the dialog modeless so that the
// test drives it step by step, and directories of the shared slapd that hold the
// people of each scenario under their own branch.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "support/gui/message_sink.h"
#include "directory/slapd_fixture.h"
#include "search/search_cert_dialog.h"
#include "search/search_dialog_ids.h"
#include "search_test_support.h"
#include "support/test_environment.h"
#include "token/token_application.h"
#include "ui/item_registry.h"
#include "support/gui/modal_driver.h"

namespace orx::testing {

// One person of a branch: a certificate with that e-mail address, valid until
// `notAfter`.
struct BranchPerson {
    std::string cn;
    std::string mail;
    std::string notAfter = "491231235959Z";
    std::string extraLines;  // more attributes, as "name: value" lines
};

// Adds "ou=<branch>" with its people to the shared server once per test program;
// the search base of that branch.
std::string DirectoryBranch(const std::string& branch, const std::vector<BranchPerson>& people);
// The certificate PersonCertificate made for a person of a branch.
Bytes BranchCertificate(const std::string& branch, size_t index);

using Row = std::array<std::string, 3>;

class SearchDialogTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // "Directory"/"1" (or `number`) of the per-user file.
    void UseDirectory(const std::string& url, const std::string& base,
                      const std::string& filter = "", int number = 1,
                      const std::string& description = "Test directory");
    CDlgSearchCert& Open();
    // Ends the dialog as its Close button does and waits until it is gone.
    bool Close(int timeoutMs = 3000);
    QWidget* Item(int id) const { return FindItem(dialog_->Window(), id); }
    template <typename T>
    T* ItemAs(int id) const {
        return FindItemAs<T>(dialog_->Window(), id);
    }
    void Click(int id);
    void Type(int id, const std::string& text);
    // Clicks Search and waits until the dialog is idle again.
    bool SearchAndWait(int timeoutMs = 15000);
    bool WaitIdle(int timeoutMs = 15000);
    std::vector<Row> Rows() const;
    std::string Status() const;
    void SelectRows(const std::vector<int>& rows);

    IsolatedEnvironment env_;
    message_testing::ScopedMessageSink messages_;
    TokenApplication app_;
    std::unique_ptr<CDlgSearchCert> dialog_;
};

}  // namespace orx::testing
