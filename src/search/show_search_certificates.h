// The administration window's directory search command: the Search Certificates
// dialog, modal over `parent`.
#pragma once

#include <QWidget>

namespace orx {

class TokenApplication;

// The dialog's end code (2 once it is closed), or -1 when it could not be made.
int ShowSearchCertificates(QWidget* parent, TokenApplication& app);

}  // namespace orx
