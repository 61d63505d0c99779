#include "ShellDesktopWindows.h"

#include "ShellWindows.h"

#include <QDBusConnection>

ShellDesktopWindows::ShellDesktopWindows(std::shared_ptr<ShellWindows> windows)
    : NativeDesktopWindows(windows), shell_(std::move(windows)) {}

QString ShellDesktopWindows::Waiting() {
    return shell_->Serving() ? QString() : QStringLiteral("GNOME Shell 拡張機能を待っています");
}

void ShellDesktopWindows::Restore(uint32_t window) {
    QDBusConnection::sessionBus().call(ShellWindows::Call(QStringLiteral("RestoreX11"), {window}));
}
