// Runs the settings sheet in a process of its own, as whichever user starts it,
// over the real module, and tries to change every value: the tests start it as a
// user who may not write the installation-wide file. It prints what it met, one
// fact a line ("message TEXT", "disabled PAGE ID", "changed N"), and ends with 0
// once the sheet was shown and closed with OK, else 1.
#include <QApplication>
#include <QWidget>
#include <cstdio>

#include "core/product_identity.h"
#include "support/gui/message_sink.h"
#include "settings/show_settings.h"
#include "settings_driver.h"
#include "token/token_application.h"
#include "support/gui/modal_driver.h"

namespace {

constexpr int kPageControls[][8] = {
    {orx::kIdLanguageList, orx::kIdTaskbarIcon, orx::kIdExplorerMenu, orx::kIdStartMenu},
    {orx::kIdDetect, orx::kIdMode, orx::kIdLockTimeout, orx::kIdReaderList, orx::kIdAddReader,
     orx::kIdDeleteReader, orx::kIdEnableLogon},
    {orx::kIdCspEnable, orx::kIdCspRemove, orx::kIdCspDisableSilent, orx::kIdCspOverwrite,
     orx::kIdNetEnable, orx::kIdNetAsk, orx::kIdInstallPlugins, orx::kIdGinaEnable},
};

// Reports the greyed controls of the page, then tries every other one as a user
// would: a click on each box, the next entry of each list.
void TryEverything(orx::testing::SheetDriver& d, int page) {
    std::vector<QWidget*> enabled;
    for (int id : kPageControls[page]) {
        QWidget* control = id != 0 ? d.item(id) : nullptr;
        if (control == nullptr || !control->isVisible())
            continue;
        if (control->isEnabled())
            enabled.push_back(control);
        else
            std::printf("disabled %d %d\n", page, id);
    }
    for (QWidget* control : enabled) {
        const int id = orx::ItemId(control);
        if (qobject_cast<QAbstractButton*>(control) != nullptr && id != orx::kIdAddReader) {
            d.click(id);
        } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
            control->setFocus();
            d.key(combo->currentIndex() + 1 < combo->count() ? Qt::Key_Down : Qt::Key_Up);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    orx::SetProgramPath(ORX_BIN_DIR "/orxxadm");
    orx::InitProductIdentity();
    orx::TokenApplication app;
    app.StartPlugin();
    orx::message_testing::ScopedMessageSink sink;
    int changed = -1;
    const orx::ui_testing::ModalRun run =
        orx::ui_testing::RunModal([&] { return changed = orx::ShowSettings(app); },
                                  [&](QWidget* window) {
                                      orx::testing::SheetDriver d(window);
                                      for (int page = 0; page < 3; ++page) {
                                          if (d.showPage(page))
                                              TryEverything(d, page);
                                      }
                                      d.click(orx::kIdOk);
                                  },
                                  20000);
    for (const auto& message : sink.Messages())
        std::printf("message %s\n", message.text.c_str());
    std::printf("changed %d\n", changed);
    return run.ok() && !run.closedByDriver ? 0 : 1;
}
