#include "client/client_run.h"

#include <unistd.h>

#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <ctime>
#include <memory>

#include "client/certificate_window.h"
#include "client/client_texts.h"
#include "client/quit_on_signal.h"
#include "client/trace_window.h"
#include "core/clock.h"
#include "core/config_file.h"
#include "core/file_helpers.h"
#include "core/language.h"
#include "core/product_identity.h"
#include "core/trace.h"
#include "dialogs/link_opener.h"
#include "dialogs/message_box.h"
#include "dialogs/message_style.h"

namespace orx {
namespace {

constexpr size_t kLinkCapacity = 256;

void ShowClientMessage(QWidget* owner, int textId, const std::string& insert, int style) {
    const int captionId = MessageIcon(style) == kMbIconInformation ? kTextMessage : kTextError;
    ShowMessage(owner, FormatWithInsert(GetText(textId), insert), GetTitleText(captionId), style,
                false);
}

std::string FileName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int OpenClientLink(ClientTask task) {
    const bool help = task == ClientTask::Help;
    const char* key = help ? "Help" : "Support";
    std::string link;
    if (ConfigReadString("Links", key, link, kLinkCapacity) != kConfigOk || link.empty()) {
        Trace("Client - No link configured for Links/%s", key);
        ShowClientMessage(nullptr, help ? kTextNoHelpLink : kTextNoSupportLink, {},
                          kMbIconInformation);
        return kClientFailed;
    }
    Trace("Client - Open link '%s'", link.c_str());
    OpenUrl(link);
    return kClientOk;
}

QWidget* MakeCertificateWindow(const std::string& file) {
    std::vector<uint8_t> bytes;
    CertificateFacts facts;
    const time_t now = static_cast<time_t>(EpochSeconds());
    if (!ReadWholeFile(file, bytes) || !ReadCertificateFacts(bytes, now, &facts)) {
        Trace("Client - No certificate in '%s'", file.c_str());
        ShowClientMessage(nullptr, kTextNoCertificate, file, kMbIconExclamation);
        return nullptr;
    }
    return new CertificateWindow(std::move(facts));
}

bool DeleteViewedFile(const std::string& file) {
    // Whatever was handed over on the command line could be a file the user keeps:
    // only the program's own temporary copies go.
    if (FileName(file).rfind(GetTempFilePrefix(), 0) != 0) {
        Trace("Client - Kept '%s': not a temporary certificate file", file.c_str());
        return false;
    }
    if (::unlink(file.c_str()) != 0) {
        Trace("Client - Failed to delete '%s'", file.c_str());
        return false;
    }
    Trace("Client - Deleted '%s'", file.c_str());
    return true;
}

int RunClient(std::string_view line) {
    std::string traceFile;
    if (ConfigReadString("Trace", "File", traceFile, kTracePathCapacity) == kConfigOk &&
        !traceFile.empty()) {
        TraceSetFile(traceFile);
    }
    // Before anything is shown: a stop request from now on closes the windows.
    QuitOnSignal quit;
    const ClientRequest request = ParseClientRequest(line);
    Trace("Client - Command line '%s'", std::string(line).c_str());
    switch (request.task) {
        case ClientTask::Help:
        case ClientTask::Support:
            return OpenClientLink(request.task);
        case ClientTask::View: {
            std::unique_ptr<QWidget> window(MakeCertificateWindow(request.file));
            int result = kClientFailed;
            if (window) {
                Trace("Client - Showing certificate '%s'", request.file.c_str());
                window->show();
                QApplication::exec();
                result = kClientOk;
            }
            DeleteViewedFile(request.file);
            return result;
        }
        case ClientTask::ViewNoDelete: {
            TraceWindow window(request.file);
            if (!window.Load()) {
                ShowClientMessage(nullptr, kTextCannotRead, request.file, kMbIconExclamation);
                return kClientFailed;
            }
            Trace("Client - Showing trace file '%s'", request.file.c_str());
            window.show();
            QApplication::exec();
            return kClientOk;
        }
        case ClientTask::None:
            break;
    }
    std::fprintf(stderr, "usage: %s -view FILE | -viewnodelete FILE | -help | -support\n",
                 GetClientProgramName().c_str());
    return kClientUsage;
}

}  // namespace orx
