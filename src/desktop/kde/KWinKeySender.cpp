#include "KWinKeySender.h"

#include "KWinWindows.h"

bool KWinKeySender::Send(const std::vector<KeyStroke>& strokes, QString* error) {
    const NativeWindows::Window* active = windows_->Active();
    if (!active || !windows_->IsX11(active->id)) {
        *error = QStringLiteral("on KDE Plasma, Pelmora types into X11 programs only, and the window in front is a "
                                "native Wayland window.");
        return false;
    }
    return x11_.Send(strokes, error);
}
