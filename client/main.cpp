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
#include "core/standard_options.h"
#include "ui/qt_translations.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: orx -view FILE | -viewnodelete FILE | -help | -support\n"
    "       orx --help | --version\n"
    "\n"
    "The client program of the Orvex middleware.\n"
    "\n"
    "  -view FILE          show the certificate in FILE (DER, Base64 or PEM); a\n"
    "                      temporary copy made by orxxadm is deleted afterwards\n"
    "  -viewnodelete FILE  show the trace log FILE\n"
    "  -help               open the help page set in the configuration\n"
    "  -support            open the support page set in the configuration\n"
    "  --help              show this text and end\n"
    "  --version           show the version and end\n"
    "\n"
    "See orx(1).\n";

}  // namespace

int main(int argc, char** argv) {
    const std::span<const char* const> arguments(argv + 1, static_cast<size_t>(argc - 1));
    if (const int status = orx::AnswerStandardOption(arguments, "orx", kUsage); status >= 0)
        return status;
    orx::InitProductIdentity();
    // Read before Qt takes its own options out of argv.
    const std::string line = orx::JoinCommandLine(arguments);
    QApplication app(argc, argv);
    // Qt's own buttons and file dialog in the program's language.
    orx::InstallQtTranslations(orx::GetCurrentLanguageId());
    return orx::RunClient(line);
}
