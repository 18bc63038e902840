#include "search/show_search_certificates.h"

#include "search/search_cert_dialog.h"

namespace orx {

int ShowSearchCertificates(QWidget* parent, TokenApplication& app) {
    CDlgSearchCert dialog(app, parent);
    return dialog.DoModal();
}

}  // namespace orx
