// orx: the client program. "-view FILE" shows a certificate and deletes the
// temporary file afterwards, "-viewnodelete FILE" shows the trace log, "-help" and
// "-support" open the configured pages.
#include <QApplication>
#include <span>
#include <string>

#include "client/client_run.h"
#include "core/command_line.h"
#include "core/language.h"
#include "core/product_identity.h"
#include "ui/qt_translations.h"

int main(int argc, char** argv) {
    orx::InitProductIdentity();
    // Read before Qt takes its own options out of argv.
    const std::string line =
        orx::JoinCommandLine(std::span<const char* const>(argv + 1, static_cast<size_t>(argc - 1)));
    QApplication app(argc, argv);
    // Qt's own buttons and file dialog in the program's language.
    orx::InstallQtTranslations(orx::GetCurrentLanguageId());
    return orx::RunClient(line);
}
