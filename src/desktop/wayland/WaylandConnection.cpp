#include "WaylandConnection.h"

#include "fake-input-client-protocol.h"
#include "keystate-client-protocol.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

#include <QDeadlineTimer>
#include <cstring>
#include <poll.h>
#include <wayland-client.h>

namespace {

template <class Proxy>
void Bind(wl_registry* registry, uint32_t name, const wl_interface* interface, uint32_t offered, uint32_t wanted,
          Proxy** slot) {
    if (!*slot) *slot = static_cast<Proxy*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

void Global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    auto* c = static_cast<WaylandConnection*>(data);
    const auto is = [&](const wl_interface& wanted) { return std::strcmp(interface, wanted.name) == 0; };
    if (is(wl_seat_interface)) Bind(registry, name, &wl_seat_interface, version, 1, &c->seat);
    if (is(wl_output_interface)) Bind(registry, name, &wl_output_interface, version, 1, &c->output);
    if (is(wl_shm_interface)) Bind(registry, name, &wl_shm_interface, version, 1, &c->shm);
    if (is(zwlr_foreign_toplevel_manager_v1_interface)) c->toplevelGlobal = name;
    if (is(zwlr_screencopy_manager_v1_interface))
        Bind(registry, name, &zwlr_screencopy_manager_v1_interface, version, 3, &c->screencopyManager);
    if (is(zwp_virtual_keyboard_manager_v1_interface))
        Bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, version, 1, &c->keyboardManager);
    if (is(org_kde_kwin_fake_input_interface))
        Bind(registry, name, &org_kde_kwin_fake_input_interface, version, 4, &c->fakeInput);
    if (is(org_kde_kwin_keystate_interface))
        Bind(registry, name, &org_kde_kwin_keystate_interface, version, 1, &c->keystate);
}

void GlobalRemoved(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener{Global, GlobalRemoved};

// Only the position of the output in the layout matters here.
void OutputGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char*, const char*,
                    int32_t) {
    auto* c = static_cast<WaylandConnection*>(data);
    c->outputX = x;
    c->outputY = y;
}
void OutputMode(void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {}

// Bound at version 1, the output sends no later events.
const wl_output_listener outputListener{OutputGeometry, OutputMode, nullptr, nullptr, nullptr, nullptr};

}  // namespace

std::unique_ptr<WaylandConnection> WaylandConnection::Open() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return nullptr;
    std::unique_ptr<WaylandConnection> c(new WaylandConnection);
    c->display = display;
    c->registry = wl_display_get_registry(display);
    wl_registry_add_listener(c->registry, &registryListener, c.get());
    wl_display_roundtrip(display);
    if (c->output) wl_output_add_listener(c->output, &outputListener, c.get());
    wl_display_roundtrip(display);
    c->notifier_ = std::make_unique<QSocketNotifier>(wl_display_get_fd(display), QSocketNotifier::Read);
    connect(c->notifier_.get(), &QSocketNotifier::activated, c.get(), &WaylandConnection::ReadEvents);
    return c;
}

WaylandConnection::~WaylandConnection() {
    notifier_.reset();
    if (display) wl_display_disconnect(display);
}

bool WaylandConnection::Alive() const { return !lost_ && wl_display_get_error(display) == 0; }

void WaylandConnection::ReadEvents() {
    if (!Dispatch(0) && !lost_) {
        lost_ = true;
        notifier_->setEnabled(false);
        emit Lost();
    }
}

bool WaylandConnection::Dispatch(int timeoutMs) {
    if (!Alive()) return false;
    while (wl_display_prepare_read(display) != 0)
        if (wl_display_dispatch_pending(display) < 0) return false;
    wl_display_flush(display);
    pollfd fd{wl_display_get_fd(display), POLLIN, 0};
    if (poll(&fd, 1, timeoutMs) <= 0) {
        wl_display_cancel_read(display);
        return Alive();
    }
    const bool read = wl_display_read_events(display) == 0 && wl_display_dispatch_pending(display) >= 0;
    wl_display_flush(display);  // what the events' handlers asked for, before the next wait
    return read;
}

bool WaylandConnection::Roundtrip() { return Alive() && wl_display_roundtrip(display) >= 0; }

bool WaylandConnection::WaitFor(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired() || !Dispatch(int(deadline.remainingTime()))) return false;
    }
    return true;
}
