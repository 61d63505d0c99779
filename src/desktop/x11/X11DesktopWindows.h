#pragma once

#include "DesktopWindows.h"

#include <array>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

// The walk's order, front first: the active window when it is one of the clients, then the
// other clients as the X server stacks their frames (children of the root, bottom first),
// top first. The window manager's stacking list serves only as the set of clients, since
// not every window manager keeps it in order (fluxbox leaves it as windows were mapped,
// icewm lists it top first). A client whose frame is not among them goes last.
std::vector<uint32_t> FrontToBack(uint32_t active, const std::vector<uint32_t>& clients,
                                  const std::vector<uint32_t>& framesBottomUp,
                                  const std::function<uint32_t(uint32_t)>& frameOf);

// The desktop as the window manager publishes it (EWMH): _NET_ACTIVE_WINDOW, the clients
// of _NET_CLIENT_LIST_STACKING and the X server's stacking for the order; window attributes
// and _NET_WM_STATE / _NET_WM_WINDOW_TYPE for the style; _NET_WM_NAME or WM_NAME (in any
// encoding, decoded by Xlib) for the title; _NET_WM_STATE_ABOVE for the band; taking away
// _NET_WM_STATE_HIDDEN to restore (a window manager activates a window that is mapped
// again). Requests go out in batches on a connection of its own, so that a walk costs a few
// round trips, not a few per window. X errors (a window destroyed during a walk) come back
// as failed replies, never as an exit.
class X11DesktopWindows : public DesktopWindows {
public:
    X11DesktopWindows();
    ~X11DesktopWindows() override;

    uint32_t First() override;
    uint32_t Next(uint32_t window) override;
    uint32_t Style(uint32_t window) override;
    QString Title(uint32_t window) override;
    void SetTopMost(uint32_t window, bool on) override;
    void Restore(uint32_t window) override;
    void Minimise(uint32_t window) override;
    QRect Area(uint32_t window) override;
    bool CanMinimise() override;

private:
    struct Entry {
        uint32_t window = 0;
        bool fetched = false;
        bool vanished = false;
        uint32_t style = 0;
    };
    struct Connection;

    size_t PositionOf(uint32_t window);
    void FetchFrom(size_t position);
    void FindFrames(const std::vector<uint32_t>& clients, const std::vector<uint32_t>& topLevel);
    void ChangeState(uint32_t window, bool add, int stateAtom);
    void SendToWindowManager(uint32_t window, int type, const std::array<uint32_t, 5>& data);

    std::unique_ptr<Connection> x_;
    std::vector<Entry> stack_;  // topmost first
    size_t cursor_ = 0;         // position of the window the walk is on
    // The root's child that holds each client (its frame), kept while the client lives.
    std::unordered_map<uint32_t, uint32_t> frames_;
};

// Xlib ends the program on any X error unless a handler is installed; ours lets the
// failed request return its failure instead (a window may vanish at any time).
void InstallXErrorHandler();
