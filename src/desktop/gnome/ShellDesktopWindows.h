#pragma once

#include "NativeDesktopWindows.h"

class ShellWindows;

// The windows of a GNOME Shell session. Mutter does not let an X11 window out of minimised on its
// own word without activating it, so Pelmora's extension restores Pelmora's windows.
class ShellDesktopWindows : public NativeDesktopWindows {
public:
    explicit ShellDesktopWindows(std::shared_ptr<ShellWindows> windows);
    void Restore(uint32_t window) override;
    QString Waiting() override;  // for the extension, until it serves

private:
    std::shared_ptr<ShellWindows> shell_;
};
