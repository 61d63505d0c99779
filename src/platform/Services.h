#pragma once

#include "BrowserCommands.h"
#include "Clipboard.h"
#include "DesktopWindows.h"
#include "Events.h"
#include "FileDialog.h"
#include "FocusWindow.h"
#include "KeySender.h"
#include "MessageBox.h"
#include "Pointer.h"
#include "ProcessStarter.h"
#include "ScreenGrabber.h"

#include <memory>

// The desktop services the program reaches through seams: the real program
// installs the real ones in main.cpp, tests install fakes.
struct Services {
    std::unique_ptr<MessageBox> messageBox;
    std::unique_ptr<FileDialog> fileDialog;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<KeySender> keySender;
    std::unique_ptr<FocusWindow> focusWindow;
    std::unique_ptr<ScreenGrabber> screenGrabber;
    std::unique_ptr<Clipboard> clipboard;
    std::unique_ptr<Pointer> pointer;
    std::unique_ptr<DesktopWindows> desktopWindows;
    std::unique_ptr<BrowserCommands> browserCommands;
    std::unique_ptr<ProcessStarter> processStarter;

    static Services& Get();
    static void UseReal();
};
