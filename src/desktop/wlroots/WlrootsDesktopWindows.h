#pragma once

#include "DesktopWindows.h"
#include "X11DesktopWindows.h"

#include <vector>

#include <memory>

class Toplevels;

// The windows of a wlroots desktop: the walk goes over the compositor's toplevel list, the
// activated one first, passing over Pelmora's own. Pelmora's own windows are X11 windows,
// placed and stacked through XWayland as on X11.
class WlrootsDesktopWindows : public DesktopWindows {
public:
    explicit WlrootsDesktopWindows(std::shared_ptr<Toplevels> toplevels) : toplevels_(std::move(toplevels)) {}

    uint32_t First() override;
    uint32_t Next(uint32_t window) override;
    uint32_t Style(uint32_t window) override;
    QString Title(uint32_t window) override;
    void SetTopMost(uint32_t window, bool on) override { x11_.SetTopMost(window, on); }
    void Restore(uint32_t window) override { x11_.Restore(window); }
    void Minimise(uint32_t window) override { x11_.Minimise(window); }
    bool CanMinimise() override { return x11_.CanMinimise(); }

private:
    std::shared_ptr<Toplevels> toplevels_;
    X11DesktopWindows x11_;
    std::vector<uint32_t> walk_;
};
