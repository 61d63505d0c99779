#pragma once

#include "Events.h"
#include "FileDialog.h"
#include "MessageBox.h"

#include <memory>

// The desktop services the program reaches through seams: the real program
// installs the real ones in main.cpp, tests install fakes.
struct Services {
    std::unique_ptr<MessageBox> messageBox;
    std::unique_ptr<FileDialog> fileDialog;
    std::unique_ptr<Clock> clock;

    static Services& Get();
    static void UseReal();
};
