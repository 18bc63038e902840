// A top-level window in a process of its own: registered under the title given as
// its first argument, at the screen position of the next two when given. It prints
// "ready" once registered (or "taken"/"failed"), then "activated" for each
// activation request it receives; it closes its window and ends when its standard
// input closes.
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include "ui/window_lookup.h"

namespace {

void Say(const char* line) {
    printf("%s\n", line);
    fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    if (getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QString::fromUtf8(argv[1]));
    window.resize(200, 100);
    if (argc >= 4)
        window.move(atoi(argv[2]), atoi(argv[3]));
    window.show();
    orx::TitledWindowRegistration registration(&window);
    QObject::connect(&registration, &orx::TitledWindowRegistration::activationRequested,
                     [&window]() { Say(window.isVisible() ? "activated" : "activated hidden"); });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&]() {
        char buffer[64];
        if (read(STDIN_FILENO, buffer, sizeof(buffer)) <= 0) {
            input.setEnabled(false);
            window.close();
            app.quit();
        } else {
            window.hide();  // any line: hide, so that activation must show it again
            Say("hidden");
        }
    });
    if (!registration.IsRegistered()) {
        Say(orx::FindRegisteredWindow(argv[1]) ? "taken" : "failed");
        return 1;
    }
    Say("ready");
    return app.exec();
}
