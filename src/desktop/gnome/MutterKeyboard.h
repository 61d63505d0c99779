#pragma once

#include "KeySender.h"
#include "KeymapKeys.h"

#include <QString>
#include <QTimer>
#include <memory>

class ShellWindows;
class WaylandConnection;

// Types on GNOME through Mutter's remote desktop service, into the window the extension reports
// focused, native or X11: keysyms, which Mutter presses on the key of the layout in use, Shift
// and AltGr as needed. A character on no key of that layout Mutter cannot type, so it is refused
// before any key goes. Caps Lock, when locked, is let go while typing and locked again. A remote
// desktop session opens for the typing and closes when typing has stopped a while.
class MutterKeyboard : public KeySender {
public:
    MutterKeyboard(std::shared_ptr<WaylandConnection> wayland, std::shared_ptr<ShellWindows> windows);
    ~MutterKeyboard() override;
    bool Send(const std::vector<KeyStroke>& strokes, unsigned long window, QString* error) override;
    QString Untypable(const std::vector<KeyStroke>& strokes) override;

private:
    QString MissingIn(unsigned layout, const std::vector<KeyStroke>& strokes) const;
    bool OpenSession();
    void CloseSession();
    bool TypeKeys(const std::vector<KeyStroke>& strokes, uint32_t target, QString* error);
    bool Press(unsigned keysym, bool down);
    void Tap(unsigned keysym);

    std::shared_ptr<ShellWindows> windows_;
    KeymapKeys keys_;
    QString session_;  // the remote desktop session's object path
    QTimer idle_;
};
