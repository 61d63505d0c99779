#include "SwayPlacement.h"

#include <QApplication>
#include <QEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QWidget>
#include <cstring>
#include <functional>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int RetryMs = 100, Tries = 10;  // a window just shown is not sway's to move yet
constexpr uint32_t RunCommand = 0, GetTree = 4;

// Sends the whole buffer, or fails.
bool SendAll(int fd, const QByteArray& bytes) {
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += n;
    }
    return true;
}

// Exactly count bytes, or fewer when the socket fails.
QByteArray Receive(int fd, qsizetype count) {
    QByteArray bytes(count, '\0');
    qsizetype got = 0;
    for (ssize_t n; got < count && (n = ::recv(fd, bytes.data() + got, size_t(count - got), 0)) > 0;) got += n;
    return bytes.left(got);
}

}  // namespace

SwayPlacement* SwayPlacement::Install() {
    const QByteArray socket = qgetenv("SWAYSOCK");
    if (socket.isEmpty()) return nullptr;
    auto* placement = new SwayPlacement(socket);
    placement->setParent(qApp);
    qApp->installEventFilter(placement);
    return placement;
}

bool SwayPlacement::eventFilter(QObject* watched, QEvent* event) {
    auto* window = qobject_cast<QWidget*>(watched);
    const bool placed = (event->type() == QEvent::Move && !event->spontaneous()) || event->type() == QEvent::Show;
    if (placed && window && window->isWindow() && window->isVisible() && !pending_.contains(window))
        PlaceSoon(window, Tries);
    return false;
}

// Once the events of the move have run; again a little later while sway does not know the window.
void SwayPlacement::PlaceSoon(QWidget* window, int tries) {
    pending_.insert(window);
    QTimer::singleShot(tries == Tries ? 0 : RetryMs, this, [this, window = QPointer<QWidget>(window), tries] {
        pending_.remove(window.data());
        if (window && window->isVisible() && !Place(window) && tries > 1) PlaceSoon(window, tries - 1);
    });
}

// Finds the window in sway's tree, for the size of its title bar and border.
bool SwayPlacement::Place(QWidget* window) {
    const auto id = qint64(window->winId());
    QJsonObject found;
    std::function<void(const QJsonObject&)> search = [&](const QJsonObject& node) {
        if (node["window"].toInteger() == id) found = node;
        for (const char* children : {"nodes", "floating_nodes"})
            for (const QJsonValue& child : node[children].toArray()) search(child.toObject());
    };
    search(QJsonDocument::fromJson(Ask(GetTree, {})).object());
    if (found.isEmpty()) return false;
    const QPoint client = window->geometry().topLeft();
    const QJsonObject inside = found["window_rect"].toObject(), title = found["deco_rect"].toObject();
    const int left = client.x() - inside["x"].toInt();
    const int top = client.y() - inside["y"].toInt() - title["height"].toInt();
    const QByteArray command = "[id=" + QByteArray::number(id) + "] move absolute position " +
                               QByteArray::number(left) + " " + QByteArray::number(top);
    return Ask(RunCommand, command).contains("\"success\": true");
}

// One message over sway's IPC, and its reply.
QByteArray SwayPlacement::Ask(uint32_t type, const QByteArray& payload) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket_.constData(), sizeof address.sun_path - 1);
    QByteArray message = "i3-ipc";
    const uint32_t header[2] = {uint32_t(payload.size()), type};
    message += QByteArray(reinterpret_cast<const char*>(header), sizeof header) + payload;
    QByteArray reply;
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && SendAll(fd, message)) {
        const QByteArray header = Receive(fd, 14);  // "i3-ipc", the payload's length, its type
        uint32_t length = 0;
        if (header.size() == 14) std::memcpy(&length, header.constData() + 6, sizeof length);
        reply = Receive(fd, length);
    }
    if (fd >= 0) ::close(fd);
    return reply;
}
