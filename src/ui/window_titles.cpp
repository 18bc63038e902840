#include "ui/window_titles.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <QCryptographicHash>
#include <QEvent>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include <cstdlib>

#include "core/trace.h"
#include "ui/qt_text.h"

namespace orx {

namespace {

constexpr int kConnectTimeoutMs = 500;
const QByteArray kActivate = QByteArrayLiteral("activate\n");

// The user's runtime folder; without one a private folder in /tmp, accepted only
// when it is the user's own, not a link, and closed to others.
std::string RuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/')
        return runtime;
    const std::string folder = "/tmp/orx-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid() || (info.st_mode & 0077) != 0) {
        return {};
    }
    return folder;
}

void Activate(QWidget* window) {
    if (window->isMinimized())
        window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}

bool Connect(QLocalSocket& socket, const std::string& path) {
    socket.connectToServer(ToQString(path));
    return socket.waitForConnected(kConnectTimeoutMs);
}

}  // namespace

std::string WindowTitleSocketPath(std::string_view title) {
    const std::string folder = RuntimeFolder();
    if (folder.empty())
        return {};
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray(title.data(), static_cast<qsizetype>(title.size())),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(24);
    return folder + "/orx-window-" + hash.toStdString();
}

struct WindowTitleRegistration::Impl : public QObject {
    QPointer<QWidget> window;
    std::unique_ptr<QLocalServer> server;
    QString title;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window && event->type() == QEvent::WindowTitleChange)
            Listen();
        return false;
    }

    void Listen() {
        if (window == nullptr || window->windowTitle() == title)
            return;
        server.reset();
        title = window->windowTitle();
        if (title.isEmpty())
            return;
        const std::string path = WindowTitleSocketPath(ToUtf8(title));
        if (path.empty())
            return;
        // A live window keeps its title; whatever else is at the path is left over.
        QLocalSocket probe;
        if (Connect(probe, path))
            return;
        QLocalServer::removeServer(ToQString(path));
        auto candidate = std::make_unique<QLocalServer>();
        candidate->setSocketOptions(QLocalServer::UserAccessOption);
        if (!candidate->listen(ToQString(path))) {
            Trace("Helper - Failed to register window title");
            return;
        }
        QObject::connect(candidate.get(), &QLocalServer::newConnection, this, [this]() {
            while (QLocalSocket* client = server->nextPendingConnection()) {
                QObject::connect(client, &QLocalSocket::disconnected, client,
                                 &QObject::deleteLater);
                QObject::connect(client, &QLocalSocket::readyRead, this, [this, client]() {
                    if (client->readAll().contains(kActivate) && window != nullptr) {
                        Activate(window);
                    }
                });
            }
        });
        server = std::move(candidate);
    }
};

WindowTitleRegistration::WindowTitleRegistration(QWidget* window) : impl_(new Impl) {
    impl_->window = window;
    if (window != nullptr) {
        window->installEventFilter(impl_.get());
        impl_->Listen();
    }
}

WindowTitleRegistration::~WindowTitleRegistration() {
    if (impl_->window != nullptr)
        impl_->window->removeEventFilter(impl_.get());
    impl_->server.reset();  // closing removes the socket file
}

bool WindowTitleRegistration::IsListening() const {
    return impl_->server != nullptr && impl_->server->isListening();
}

QWidget* FindLocalWindowTitle(std::string_view title) {
    const QString wanted = ToQString(title);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top->windowTitle() == wanted)
            return top;
    }
    return nullptr;
}

namespace window_title_testing {

bool ProbeSocket(std::string_view title) {
    const std::string path = WindowTitleSocketPath(title);
    if (path.empty())
        return false;
    QLocalSocket socket;
    if (Connect(socket, path))
        return true;
    // Nobody answers: whatever is left at that path belongs to a process that died.
    if (socket.error() == QLocalSocket::ConnectionRefusedError) {
        QLocalServer::removeServer(ToQString(path));
    }
    return false;
}

bool ActivateThroughSocket(std::string_view title) {
    const std::string path = WindowTitleSocketPath(title);
    if (path.empty())
        return false;
    QLocalSocket socket;
    if (!Connect(socket, path)) {
        if (socket.error() == QLocalSocket::ConnectionRefusedError) {
            QLocalServer::removeServer(ToQString(path));
        }
        return false;
    }
    socket.write(kActivate);
    const bool sent = socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

}  // namespace window_title_testing

bool FindWindowTitle(std::string_view title) {
    if (FindLocalWindowTitle(title) != nullptr)
        return true;
    return window_title_testing::ProbeSocket(title);
}

bool ActivateWindowTitle(std::string_view title) {
    if (QWidget* local = FindLocalWindowTitle(title)) {
        Activate(local);
        return true;
    }
    return window_title_testing::ActivateThroughSocket(title);
}

}  // namespace orx
