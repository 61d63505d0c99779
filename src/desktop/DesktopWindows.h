#pragma once

#include <QRect>
#include <QString>
#include <cstdint>

// Style bits of a top-level window as the program tests them.
constexpr uint32_t WS_VISIBLE = 0x10000000;
constexpr uint32_t WS_BORDER = 0x00800000;

// The other applications' top-level windows: the stacking order, their style,
// their titles and the always-on-top band. Handles are 32 bits (X window ids on X11).
// Real: a desktop back-end; tests: a scripted stack.
class DesktopWindows {
public:
    virtual ~DesktopWindows() = default;
    // The window in front: the active window, else the top of the stacking order
    // (always-on-top ones first); 0 when there is none. Each call starts a walk on a fresh
    // snapshot of the stack.
    virtual uint32_t First() = 0;
    // The next window of the walk: after the active one, the others from the top of the
    // stacking order down; 0 past the end, or when the given window has vanished meanwhile.
    virtual uint32_t Next(uint32_t window) = 0;
    // WS_VISIBLE when the window can be seen (mapped, not minimised or hidden);
    // WS_BORDER when it is an application or dialog window, whether the window manager
    // or the application itself draws its title bar.
    virtual uint32_t Style(uint32_t window) = 0;
    // The window's title up to its first NUL; empty when it cannot be read.
    virtual QString Title(uint32_t window) = 0;
    // Puts the window into or takes it out of the always-on-top band. Neither
    // activates nor restores it.
    virtual void SetTopMost(uint32_t window, bool on) = 0;
    // Asks for a minimised window to come back without being activated; a window
    // manager may refuse, and then the window stays minimised.
    virtual void Restore(uint32_t window) = 0;
    // Asks for the window to be minimised (as the user does on its title bar).
    virtual void Minimise(uint32_t window) = 0;
    // The window's area on the desktop, in pixels; empty where the desktop does not tell it.
    virtual QRect Area(uint32_t) { return {}; }
    // Whether the window manager minimises windows at all; tiling ones (i3) do not.
    virtual bool CanMinimise() = 0;
    // What the desktop still waits for before it can tell other windows, in a few words for the
    // notes and the magnifier to show; empty when nothing.
    virtual QString Waiting() { return {}; }
};
