#pragma once

#include "FocusWindow.h"

#include <memory>

class NativeWindows;

// The keyboard focus on a Wayland desktop whose compositor lists the windows: its active one.
class NativeFocusWindow : public FocusWindow {
public:
    explicit NativeFocusWindow(std::shared_ptr<NativeWindows> windows) : windows_(std::move(windows)) {}
    Info Current() override;
    unsigned long LastOther() override;
    void Activate(unsigned long window) override;

private:
    std::shared_ptr<NativeWindows> windows_;
};
