#pragma once

#include "Pointer.h"
#include "ReportedWindows.h"

#include <QDBusMessage>
#include <QObject>
#include <QVariantMap>
#include <QPoint>
#include <memory>

// The windows of a GNOME Shell session. GNOME tells ordinary programs no windows, no focus and no
// pointer, so Pelmora's extension inside the shell tells them over D-Bus as they change and
// answers for the pointer, the layout in use and pictures. Until the extension serves, there are
// no windows and Serving() is false; GNOME Shell says when the extension is turned on or off.
// The extension serves Pelmora alone, and sends its signals to each Pelmora that has asked it.
class ShellWindows : public QObject, public ReportedWindows, public Pointer {
    Q_OBJECT
public:
    // Null when no GNOME Shell is on the session bus.
    static std::shared_ptr<ShellWindows> Start();
    bool Serving() const { return serving_; }
    void Activate(uint32_t id) override;
    QPoint Position() override;
    struct Keyboard {
        unsigned layout = 0;  // in use: an index into the keymap's layouts
        bool capsLocked = false;
    };
    Keyboard KeyboardState();
    // Whether the shell takes the keys itself (the overview, a menu, a modal dialog); also when
    // the extension does not answer, so that no key goes astray.
    bool ShellHasKeyboard();
    // A call to the extension, not yet sent.
    static QDBusMessage Call(const QString& method, const QVariantList& arguments = {});

private slots:
    void WindowChanged(const QString& id, const QString& title, const QString& wmClass, bool minimised, int x, int y,
                       int width, int height);
    void WindowClosed(const QString& id) { ReportClosed(id); }
    void FocusChanged(const QString& id) { ReportActivated(id); }
    void ExtensionStateChanged(const QString& uuid, const QVariantMap& state);

private:
    ShellWindows() = default;
    bool Listen();
    void CatchUp();

    bool serving_ = false;
};
