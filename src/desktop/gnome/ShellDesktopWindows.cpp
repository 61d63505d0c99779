#include "ShellDesktopWindows.h"

#include "ShellWindows.h"

#include <QDBusConnection>

void ShellDesktopWindows::Restore(uint32_t window) {
    QDBusConnection::sessionBus().call(ShellWindows::Call(QStringLiteral("RestoreX11"), {window}));
}
