#include "WaylandConnection.h"

#include "fake-input-client-protocol.h"
#include "keystate-client-protocol.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

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

// Where an output sits and how large it is in the layout; a change counts once the compositor is done.
void LogicalPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
    static_cast<WaylandOutput*>(data)->changing.moveTo(x, y);
}
void LogicalSize(void* data, zxdg_output_v1*, int32_t width, int32_t height) {
    static_cast<WaylandOutput*>(data)->changing.setSize(QSize(width, height));
}
void LayoutDone(void* data, zxdg_output_v1*) {
    auto* output = static_cast<WaylandOutput*>(data);
    output->area = output->changing;
}
void LayoutName(void*, zxdg_output_v1*, const char*) {}

const zxdg_output_v1_listener layoutListener{LogicalPosition, LogicalSize, LayoutDone, LayoutName, LayoutName};

void FollowLayout(zxdg_output_manager_v1* manager, WaylandOutput& output) {
    if (!manager || output.layout) return;
    output.layout = zxdg_output_manager_v1_get_xdg_output(manager, output.output);
    zxdg_output_v1_add_listener(output.layout, &layoutListener, &output);
}

void Global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    auto* c = static_cast<WaylandConnection*>(data);
    const auto is = [&](const wl_interface& wanted) { return std::strcmp(interface, wanted.name) == 0; };
    if (is(wl_seat_interface)) Bind(registry, name, &wl_seat_interface, version, 1, &c->seat);
    if (is(wl_output_interface)) {
        auto& output = *c->outputs.emplace_back(std::make_unique<WaylandOutput>());
        output.name = name;
        Bind(registry, name, &wl_output_interface, version, 1, &output.output);
        FollowLayout(c->outputManager, output);
    }
    if (is(zxdg_output_manager_v1_interface)) {
        // Version 2 ends each output's news with its own done event.
        Bind(registry, name, &zxdg_output_manager_v1_interface, version, 2, &c->outputManager);
        for (const auto& output : c->outputs) FollowLayout(c->outputManager, *output);
    }
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

void GlobalRemoved(void* data, wl_registry*, uint32_t name) {
    std::erase_if(static_cast<WaylandConnection*>(data)->outputs, [&](const auto& output) { return output->name == name; });
}

const wl_registry_listener registryListener{Global, GlobalRemoved};

}  // namespace

WaylandOutput::~WaylandOutput() {
    if (layout) zxdg_output_v1_destroy(layout);
    if (output) wl_output_destroy(output);
}

std::unique_ptr<WaylandConnection> WaylandConnection::Open() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return nullptr;
    std::unique_ptr<WaylandConnection> c(new WaylandConnection);
    c->display = display;
    c->registry = wl_display_get_registry(display);
    wl_registry_add_listener(c->registry, &registryListener, c.get());
    wl_display_roundtrip(display);
    wl_display_roundtrip(display);  // the outputs' places
    c->notifier_ = std::make_unique<QSocketNotifier>(wl_display_get_fd(display), QSocketNotifier::Read);
    connect(c->notifier_.get(), &QSocketNotifier::activated, c.get(), &WaylandConnection::ReadEvents);
    return c;
}

WaylandConnection::~WaylandConnection() {
    notifier_.reset();
    outputs.clear();  // their proxies go before the connection
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
