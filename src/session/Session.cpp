#include "Session.h"

#include "BrowserCommands.h"
#include "Clipboard.h"
#include "Events.h"
#include "FakeInputKeyboard.h"
#include "KWinScreenShot.h"
#include "KWinWindows.h"
#include "FileDialog.h"
#include "MessageBox.h"
#include "MutterKeyboard.h"
#include "NativeDesktopWindows.h"
#include "NativeFocusWindow.h"
#include "ProcessStarter.h"
#include "QtPointer.h"
#include "QtScreenGrabber.h"
#include "ScreenCopy.h"
#include "Services.h"
#include "ShellDesktopWindows.h"
#include "ShellScreenShot.h"
#include "ShellWindows.h"
#include "SwayPlacement.h"
#include "Toplevels.h"
#include "VirtualKeyboard.h"
#include "WaylandConnection.h"
#include "X11DesktopWindows.h"
#include "X11FocusWindow.h"
#include "XTestKeySender.h"

#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {

void UseX11(Services& s) {
    s.focusWindow = std::make_shared<X11FocusWindow>();
    s.keySender = std::make_shared<XTestKeySender>();
    s.screenGrabber = std::make_shared<QtScreenGrabber>();
    s.pointer = std::make_shared<QtPointer>();
    s.desktopWindows = std::make_shared<X11DesktopWindows>();
    InstallXErrorHandler();
    RestoreLeftSpareKeys();  // a run killed while typing may have left keys changed
}

// A wlroots compositor (sway and others) gives its toplevel list to any client; without it no
// native window can be seen, and the X11 back-end serves through XWayland.
bool UseWlroots(Services& s, const std::shared_ptr<WaylandConnection>& wayland) {
    if (!wayland->toplevelGlobal) return false;
    auto toplevels = std::make_shared<Toplevels>(wayland);
    auto screen = std::make_shared<ScreenCopy>(wayland);
    s.keySender = std::make_shared<VirtualKeyboard>(wayland, toplevels);
    s.focusWindow = std::make_shared<NativeFocusWindow>(toplevels);
    s.desktopWindows = std::make_shared<NativeDesktopWindows>(toplevels);
    s.screenGrabber = screen;
    s.pointer = screen;
    SwayPlacement::Install();
    InstallXErrorHandler();
    QStringList missing;
    if (!wayland->keyboardManager) missing << "no virtual keyboard: the notebook cannot type";
    if (!wayland->screencopyManager) missing << "no screen copy: the magnifier shows no picture";
    std::fprintf(stderr, "pelmora: a wlroots Wayland session: native windows through the compositor's own "
                         "protocols, which it offers every program; Pelmora opens no door of its own%s.\n",
                 missing.isEmpty() ? "" : qPrintable("; " + missing.join("; ")));
    QObject::connect(wayland.get(), &WaylandConnection::Lost, [] {
        std::fputs("pelmora: the Wayland compositor has gone; the notes, the notebook and the magnifier no longer "
                   "see other windows.\n", stderr);
    });
    return true;
}

// KWin lists no windows to clients: a script of ours inside it tells them.
bool UseKWin(Services& s, const std::shared_ptr<WaylandConnection>& wayland) {
    std::shared_ptr<KWinWindows> windows = KWinWindows::Start();
    if (!windows) return false;
    s.keySender = std::make_shared<FakeInputKeyboard>(wayland, windows);
    s.focusWindow = std::make_shared<NativeFocusWindow>(windows);
    s.desktopWindows = std::make_shared<NativeDesktopWindows>(windows);
    s.screenGrabber = std::make_shared<KWinScreenShot>();
    s.pointer = windows;
    InstallXErrorHandler();
    std::fprintf(stderr, "pelmora: a KDE Plasma Wayland session: native windows through Pelmora's KWin scripts, "
                         "which report to this run of Pelmora alone%s.\n",
                 wayland->fakeInput ? "" : "; no fake input: the notebook cannot type");
    return true;
}

constexpr int ExtensionGraceMs = 2000;

void TellHowToEnableTheExtension() {
    const QString howTo = QStringLiteral(
        "Pelmora's GNOME Shell extension is not enabled, so Pelmora sees no window of this session: the notes "
        "wait for it, the notebook does not type and the magnifier shows no picture.\n\n"
        "Enable it with the command\n    gnome-extensions enable pelmora@example.org\n\n"
        "If Pelmora was installed during this session, log out and in again first: GNOME on Wayland "
        "finds new extensions at login.");
    std::fprintf(stderr, "pelmora: %s\n", qPrintable(howTo));
    MsgBox(howTo);
}

// GNOME tells no windows to clients: our extension inside the shell does, once enabled.
bool UseGnome(Services& s, const std::shared_ptr<WaylandConnection>& wayland) {
    std::shared_ptr<ShellWindows> windows = ShellWindows::Start();
    if (!windows) return false;
    s.keySender = std::make_shared<MutterKeyboard>(wayland, windows);
    s.focusWindow = std::make_shared<NativeFocusWindow>(windows);
    s.desktopWindows = std::make_shared<ShellDesktopWindows>(windows);
    s.screenGrabber = std::make_shared<ShellScreenShot>();
    s.pointer = windows;
    InstallXErrorHandler();
    std::fputs("pelmora: a GNOME Wayland session: native windows through Pelmora's GNOME Shell extension, which "
               "serves only programs of this user that run Pelmora's program file.\n", stderr);
    // Started with the session, Pelmora may come before the shell has enabled its extensions.
    QTimer::singleShot(ExtensionGraceMs, [windows] {
        if (!windows->Serving()) TellHowToEnableTheExtension();
    });
    return true;
}

}  // namespace

void StartSession() {
    Services& s = Services::Get();
    s.messageBox = std::make_shared<QtMessageBox>();
    s.fileDialog = std::make_shared<QtFileDialog>();
    s.clock = std::make_shared<SystemClock>();
    s.clipboard = std::make_shared<QtClipboard>();
    s.browserCommands = std::make_shared<FreedesktopBrowserCommands>();
    s.processStarter = std::make_shared<DetachedProcessStarter>();
    std::shared_ptr<WaylandConnection> wayland;
    if (std::getenv("WAYLAND_DISPLAY")) wayland = WaylandConnection::Open();
    if (wayland && (UseWlroots(s, wayland) || UseKWin(s, wayland) || UseGnome(s, wayland))) return;
    UseX11(s);
    if (std::getenv("WAYLAND_DISPLAY"))
        std::fputs("pelmora: this is a Wayland session, and Pelmora runs through XWayland: the notes do not see, and "
                   "the notebook does not type into, windows of native Wayland programs.\n",
                   stderr);
}
