#include "Services.h"

Services& Services::Get() {
    static Services services;
    return services;
}

void Services::UseReal() {
    Services& s = Get();
    s.messageBox = std::make_unique<QtMessageBox>();
    s.fileDialog = std::make_unique<QtFileDialog>();
    s.clock = std::make_unique<SystemClock>();
    s.keySender = std::make_unique<XTestKeySender>();
    s.focusWindow = std::make_unique<X11FocusWindow>();
    s.screenGrabber = std::make_unique<QtScreenGrabber>();
    s.clipboard = std::make_unique<QtClipboard>();
    s.pointer = std::make_unique<QtPointer>();
    s.desktopWindows = std::make_unique<X11DesktopWindows>();
    s.browserCommands = std::make_unique<FreedesktopBrowserCommands>();
    s.processStarter = std::make_unique<DetachedProcessStarter>();
    InstallXErrorHandler();
}
