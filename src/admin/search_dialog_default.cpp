// Stands in for the Search Certificates dialog until src/search/ provides
// RunSearchCertificatesDialog.
#include "admin/admin_dialogs.h"
#include "core/trace.h"

namespace orx {

void RunSearchCertificatesDialog(QWidget* /*parent*/) {
    Trace("AdminMain - The Search Certificates dialog is not part of this program yet");
}

}  // namespace orx
