#pragma once

#include "DesktopWindows.h"
#include "X11DesktopWindows.h"

#include <memory>
#include <vector>

class NativeWindows;

// The windows of a Wayland desktop whose compositor lists them: the walk goes over its list, the
// active one first, passing over Pelmora's own. Pelmora's own windows are X11 windows, placed
// and stacked through XWayland as on X11.
class NativeDesktopWindows : public DesktopWindows {
public:
    explicit NativeDesktopWindows(std::shared_ptr<NativeWindows> windows) : windows_(std::move(windows)) {}

    uint32_t First() override;
    uint32_t Next(uint32_t window) override;
    uint32_t Style(uint32_t window) override;
    QString Title(uint32_t window) override;
    void SetTopMost(uint32_t window, bool on) override { x11_.SetTopMost(window, on); }
    void Restore(uint32_t window) override { x11_.Restore(window); }
    void Minimise(uint32_t window) override { x11_.Minimise(window); }
    QRect Area(uint32_t window) override;
    bool CanMinimise() override { return x11_.CanMinimise(); }

private:
    std::shared_ptr<NativeWindows> windows_;
    X11DesktopWindows x11_;
    std::vector<uint32_t> walk_;
};
