// The baseline of the window start: a bare Qt widgets program that shows one main
// window with a menu bar, a list and a status bar, and ends the moment the window
// is painted. With --idle it stays open until it is ended.
#include <unistd.h>

#include <QApplication>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <cstring>

int main(int argc, char** argv) {
    const bool idle = argc > 1 && std::strcmp(argv[1], "--idle") == 0;
    QApplication app(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("&Exit"));
    window.setCentralWidget(new QListWidget(&window));
    window.statusBar()->setSizeGripEnabled(true);
    window.setWindowTitle(QStringLiteral("Window"));
    window.resize(615, 400);
    window.show();
    window.repaint();
    if (idle)
        return app.exec();
    _exit(0);
}
