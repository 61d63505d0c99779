#include "Session.h"

#include "BrowserCommands.h"
#include "Clipboard.h"
#include "Events.h"
#include "FileDialog.h"
#include "MessageBox.h"
#include "ProcessStarter.h"
#include "QtPointer.h"
#include "QtScreenGrabber.h"
#include "Services.h"
#include "X11DesktopWindows.h"
#include "X11FocusWindow.h"
#include "XTestKeySender.h"

#include <cstdio>
#include <cstdlib>

namespace {

void UseX11(Services& s) {
    s.keySender = std::make_shared<XTestKeySender>();
    s.focusWindow = std::make_shared<X11FocusWindow>();
    s.screenGrabber = std::make_shared<QtScreenGrabber>();
    s.pointer = std::make_shared<QtPointer>();
    s.desktopWindows = std::make_shared<X11DesktopWindows>();
    InstallXErrorHandler();
    RestoreLeftSpareKeys();  // a run killed while typing may have left keys changed
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
    UseX11(s);
    if (std::getenv("WAYLAND_DISPLAY"))
        std::fputs("pelmora: this is a Wayland session, and Pelmora runs through XWayland: the notes do not see, and "
                   "the notebook does not type into, windows of native Wayland programs.\n",
                   stderr);
}
