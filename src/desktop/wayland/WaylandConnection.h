#pragma once

#include <QObject>
#include <QRect>
#include <QSocketNotifier>
#include <memory>
#include <vector>

struct wl_display;
struct wl_output;
struct wl_seat;
struct wl_shm;
struct wl_registry;
struct zwlr_screencopy_manager_v1;
struct zwp_virtual_keyboard_manager_v1;
struct org_kde_kwin_fake_input;
struct org_kde_kwin_keystate;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;

// One of the compositor's outputs and the part of the layout it shows, in layout pixels (a scaled
// output shows fewer than it has). Outputs come, go and move while the program runs.
struct WaylandOutput {
    uint32_t name = 0;  // the global's
    wl_output* output = nullptr;
    zxdg_output_v1* layout = nullptr;
    QRect area, changing;  // changing: what the compositor tells until it says it is done
    ~WaylandOutput();
};

// Pelmora's own connection to the Wayland compositor, beside Qt's X11 one: the globals the
// wlroots and KWin back-ends use, whichever of them the compositor offers. Events are read on the Qt
// event loop through a socket notifier; a caller that must wait for an answer dispatches here
// until it comes or a deadline passes.
class WaylandConnection : public QObject {
    Q_OBJECT
public:
    // Connects to the compositor WAYLAND_DISPLAY names; null when there is none to reach.
    static std::unique_ptr<WaylandConnection> Open();
    ~WaylandConnection() override;

    wl_display* display = nullptr;
    wl_seat* seat = nullptr;
    wl_shm* shm = nullptr;
    // The toplevel list is bound by its reader: the compositor lists the windows at once.
    wl_registry* registry = nullptr;
    uint32_t toplevelGlobal = 0;
    zwlr_screencopy_manager_v1* screencopyManager = nullptr;
    zwp_virtual_keyboard_manager_v1* keyboardManager = nullptr;
    org_kde_kwin_fake_input* fakeInput = nullptr;
    org_kde_kwin_keystate* keystate = nullptr;
    zxdg_output_manager_v1* outputManager = nullptr;
    std::vector<std::unique_ptr<WaylandOutput>> outputs;  // in the order the compositor tells them

    // False once the compositor has gone away or broke the connection.
    bool Alive() const;
    // Sends what is queued and handles the events that arrive within the time given; false
    // when the connection is lost.
    bool Dispatch(int timeoutMs);
    // Waits until the compositor has handled every request so far and sent its answers.
    bool Roundtrip();
    // Dispatches until done() holds, or the deadline passes; false then, or when the
    // connection is lost.
    bool WaitFor(const std::function<bool()>& done, int timeoutMs);

signals:
    void Lost();

private:
    WaylandConnection() = default;
    void ReadEvents();

    std::unique_ptr<QSocketNotifier> notifier_;
    bool lost_ = false;
};
