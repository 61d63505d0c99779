#pragma once

#include <memory>

class BrowserCommands;
class Clipboard;
class Clock;
class DesktopWindows;
class FileDialog;
class FocusWindow;
class KeySender;
class MessageBox;
class Pointer;
class ProcessStarter;
class ScreenGrabber;

// The services the program reaches through seams, whichever folder declares them: the forms
// runtime's dialogs and clock, the desktop's windows, keyboard, screen and clipboard, the
// system's browser commands and process start. The real program installs the real ones at
// start (the session), tests install fakes. Shared pointers let this registry know the seams
// by name only, so that it depends on none of them.
struct Services {
    std::shared_ptr<MessageBox> messageBox;
    std::shared_ptr<FileDialog> fileDialog;
    std::shared_ptr<Clock> clock;
    std::shared_ptr<KeySender> keySender;
    std::shared_ptr<FocusWindow> focusWindow;
    std::shared_ptr<ScreenGrabber> screenGrabber;
    std::shared_ptr<Clipboard> clipboard;
    std::shared_ptr<Pointer> pointer;
    std::shared_ptr<DesktopWindows> desktopWindows;
    std::shared_ptr<BrowserCommands> browserCommands;
    std::shared_ptr<ProcessStarter> processStarter;

    static Services& Get();
};
