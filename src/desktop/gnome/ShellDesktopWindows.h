#pragma once

#include "NativeDesktopWindows.h"

// The windows of a GNOME Shell session. Mutter does not let an X11 window out of minimised on its
// own word without activating it, so Pelmora's extension restores Pelmora's windows.
class ShellDesktopWindows : public NativeDesktopWindows {
public:
    using NativeDesktopWindows::NativeDesktopWindows;
    void Restore(uint32_t window) override;
};
