// The entry points of the commands that change or export token content. Each is
// reached from the menus, the accelerators, the context menus, double-clicks and
// dropped files; the token content operations fill them in. Until then each one
// records the request in the trace and leaves the token as it is.
#include "admin/admin_view.h"
#include "core/trace.h"

namespace orx {

namespace {

void NotAvailable(const char* command) {
    Trace("AdminView - %s is not available yet", command);
}

}  // namespace

void CAdminView::OnChangePassword(int32_t slot) {
    Trace("AdminView - Change password of slot %d is not available yet", slot);
}

void CAdminView::OnUnlockPassword(int32_t slot) {
    Trace("AdminView - Unlock password of slot %d is not available yet", slot);
}

void CAdminView::OnSoftTokenNew() {
    NotAvailable("New soft token");
}

void CAdminView::OnSoftTokenAdd() {
    NotAvailable("Add soft token");
}

void CAdminView::OnSoftTokenExport() {
    NotAvailable("Export soft token");
}

void CAdminView::OnSoftTokenDelete() {
    NotAvailable("Delete soft token");
}

void CAdminView::OnCertificateView() {
    NotAvailable("View certificate");
}

void CAdminView::OnCertificateAdd() {
    NotAvailable("Add certificate");
}

void CAdminView::OnCertificateExport() {
    NotAvailable("Export certificate");
}

void CAdminView::OnCertificateDelete() {
    NotAvailable("Delete certificate");
}

void CAdminView::OnDataAdd(bool privateBox) {
    NotAvailable(privateBox ? "Add private entry" : "Add public entry");
}

void CAdminView::OnDataEdit(bool privateBox) {
    NotAvailable(privateBox ? "Edit private entry" : "Edit public entry");
}

void CAdminView::OnDataDelete(bool privateBox) {
    NotAvailable(privateBox ? "Delete private entry" : "Delete public entry");
}

void CAdminView::OnCopy() {
    NotAvailable("Copy");
}

void CAdminView::AddCertificate(int32_t slot, const std::string& file) {
    Trace("AdminView - Adding '%s' to slot %d is not available yet", file.c_str(), slot);
}

}  // namespace orx
