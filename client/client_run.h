// The client program's work for one start: a certificate window, the trace log
// window or a help page. Runs inside a QApplication.
#pragma once

#include <string>
#include <string_view>

#include "client/client_request.h"

class QWidget;

namespace orx {

// Exit codes of the client program.
inline constexpr int kClientOk = 0;
inline constexpr int kClientFailed = 1;  // nothing to show, no link
inline constexpr int kClientUsage = 2;

// Opens "Links"/"Help" or "Links"/"Support" with the desktop's opener; without a
// configured link says so. kClientOk or kClientFailed.
int OpenClientLink(ClientTask task);

// Makes the certificate window for the file; nullptr (after telling the user)
// when the file holds no certificate.
QWidget* MakeCertificateWindow(const std::string& file);

// Deletes the file that "-view" was handed, when it is one of the program's
// temporary certificate files; anything else is left alone. True when deleted.
bool DeleteViewedFile(const std::string& file);

// The whole start: parse, show, wait for the window to close, clean up.
int RunClient(std::string_view rawCommandLine);

}  // namespace orx
