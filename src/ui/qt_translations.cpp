#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

#include "core/trace.h"
#include "ui/qt_text.h"

namespace orx {

namespace {

std::unique_ptr<QTranslator>& Installed() {
    static std::unique_ptr<QTranslator> installed;
    return installed;
}

}  // namespace

std::vector<std::string> QtLanguageCodes(int languageId) {
    switch (languageId) {
        case 1030:
            return {"da"};
        case 1031:
            return {"de"};
        case 1035:
            return {"fi"};
        case 1036:
            return {"fr"};
        case 1045:
            return {"pl"};
        // Both Swedish tables.
        case 1050:
        case 1053:
            return {"sv"};
        case 1055:
            return {"tr"};
        // Written Norwegian: Qt carries Nynorsk only.
        case 2068:
            return {"nb", "nn"};
        // European Portuguese first, the Brazilian catalogue where that is all there is.
        case 2070:
            return {"pt_PT", "pt", "pt_BR"};
        default:
            return {};
    }
}

bool InstallQtTranslations(int languageId) {
    std::unique_ptr<QTranslator>& installed = Installed();
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    const std::vector<std::string> codes = QtLanguageCodes(languageId);
    if (codes.empty())
        return true;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto translator = std::make_unique<QTranslator>();
    for (const std::string& code : codes) {
        // "qtbase" holds what the widgets show; the older "qt" catalogues of some
        // languages hold it under that name.
        for (const char* catalogue : {"qtbase_", "qt_"}) {
            if (translator->load(QString::fromLatin1(catalogue) + ToQString(code), folder)) {
                QCoreApplication::installTranslator(translator.get());
                installed = std::move(translator);
                return true;
            }
        }
    }
    Trace("Language - No Qt translation for language %d in '%s'", languageId,
          ToUtf8(folder).c_str());
    return false;
}

}  // namespace orx
