#pragma once

#include "FocusWindow.h"

#include <memory>

class Toplevels;

// The keyboard focus on a wlroots desktop: the compositor's activated toplevel.
class WlrootsFocusWindow : public FocusWindow {
public:
    explicit WlrootsFocusWindow(std::shared_ptr<Toplevels> toplevels) : toplevels_(std::move(toplevels)) {}
    Info Current() override;
    unsigned long LastOther() override;
    void Activate(unsigned long window) override;

private:
    std::shared_ptr<Toplevels> toplevels_;
};
