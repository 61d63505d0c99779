#include "Toplevels.h"

#include "WaylandConnection.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <algorithm>

// A toplevel's handle, our id for it once described, and what its next "done" event makes it.
struct Toplevels::Tracked {
    Toplevels* owner;
    zwlr_foreign_toplevel_handle_v1* handle;
    uint32_t id = 0;
    NativeWindows::Window next;
    std::vector<wl_output*> outputs;  // those that show it, in the order it came onto them
    ~Tracked() { zwlr_foreign_toplevel_handle_v1_destroy(handle); }
};

namespace {

NativeWindows::Window& Next(void* data) { return static_cast<Toplevels::Tracked*>(data)->next; }

void OnTitle(void* data, zwlr_foreign_toplevel_handle_v1*, const char* title) {
    Next(data).title = QString::fromUtf8(title);
}
void OnAppId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* id) { Next(data).appId = QString::fromUtf8(id); }
void OnOutputEnter(void* data, zwlr_foreign_toplevel_handle_v1*, wl_output* output) {
    static_cast<Toplevels::Tracked*>(data)->outputs.push_back(output);
}
void OnOutputLeave(void* data, zwlr_foreign_toplevel_handle_v1*, wl_output* output) {
    std::erase(static_cast<Toplevels::Tracked*>(data)->outputs, output);
}
void OnState(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
    NativeWindows::Window& next = Next(data);
    next.activated = next.minimised = false;
    const auto* state = static_cast<const uint32_t*>(states->data);
    for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i) {
        next.activated |= state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
        next.minimised |= state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MINIMIZED;
    }
}
void OnParent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}
void OnFinished(void*, zwlr_foreign_toplevel_manager_v1*) {}

}  // namespace

Toplevels::Toplevels(std::shared_ptr<WaylandConnection> wayland) : wayland_(std::move(wayland)) {
    static const zwlr_foreign_toplevel_manager_v1_listener managerListener{OnToplevel, OnFinished};
    auto* manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
        wl_registry_bind(wayland_->registry, wayland_->toplevelGlobal, &zwlr_foreign_toplevel_manager_v1_interface, 3));
    zwlr_foreign_toplevel_manager_v1_add_listener(manager, &managerListener, this);
    wayland_->Roundtrip();  // the windows there are now
    wayland_->Roundtrip();  // with their titles and states
}

Toplevels::~Toplevels() = default;

void Toplevels::OnToplevel(void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle) {
    // A handle's events, in the order of the protocol's event numbers.
    static const zwlr_foreign_toplevel_handle_v1_listener handleListener{
        OnTitle, OnAppId, OnOutputEnter, OnOutputLeave, OnState, OnDone, OnClosed, OnParent};
    auto* self = static_cast<Toplevels*>(data);
    self->tracked_.emplace_back(new Tracked{self, handle, 0, {}, {}});
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &handleListener, self->tracked_.back().get());
}

void Toplevels::OnDone(void* data, zwlr_foreign_toplevel_handle_v1*) {
    auto* t = static_cast<Tracked*>(data);
    Toplevels& self = *t->owner;
    if (!t->id) t->id = self.Add();
    self.Describe(t->id, t->next.title, t->next.appId, t->next.minimised);
    self.SetActivated(t->id, t->next.activated);
}

void Toplevels::OnClosed(void* data, zwlr_foreign_toplevel_handle_v1*) {
    auto* t = static_cast<Tracked*>(data);
    t->owner->Remove(t->id);
    std::erase_if(t->owner->tracked_, [&](const std::unique_ptr<Tracked>& each) { return each.get() == t; });
}

Toplevels::Tracked* Toplevels::TrackedOf(uint32_t id) const {
    const auto t = std::ranges::find_if(tracked_, [&](const auto& each) { return id && each->id == id; });
    return t == tracked_.end() ? nullptr : t->get();
}

void Toplevels::Activate(uint32_t id) {
    const Tracked* t = TrackedOf(id);
    if (!t || !wayland_->seat) return;
    zwlr_foreign_toplevel_handle_v1_activate(t->handle, wayland_->seat);
    wayland_->Dispatch(0);
}

// wlroots tells which outputs show a window, not where on them: the output it came onto first
// of those that still show it stands for it. Asked afresh, as outputs move.
QRect Toplevels::Area(uint32_t id) const {
    const Tracked* t = TrackedOf(id);
    for (wl_output* on : t ? t->outputs : std::vector<wl_output*>())
        for (const auto& output : wayland_->outputs)
            if (output->output == on) return output->area;
    return {};
}
