#include "Toplevels.h"

#include "WaylandConnection.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <QGuiApplication>
#include <algorithm>

// A toplevel with its handle, and what its next "done" event makes it.
struct Toplevels::Tracked {
    Toplevels* owner;
    zwlr_foreign_toplevel_handle_v1* handle;
    Toplevel now, next;
    ~Tracked() { zwlr_foreign_toplevel_handle_v1_destroy(handle); }
};

namespace {

Toplevels::Toplevel& Next(void* data) { return static_cast<Toplevels::Tracked*>(data)->next; }

void OnTitle(void* data, zwlr_foreign_toplevel_handle_v1*, const char* title) {
    Next(data).title = QString::fromUtf8(title);
}
void OnAppId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* id) { Next(data).appId = QString::fromUtf8(id); }
void OnOutput(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
void OnState(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
    Toplevels::Toplevel& next = Next(data);
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
    static const zwlr_foreign_toplevel_handle_v1_listener handleListener{OnTitle, OnAppId, OnOutput, OnOutput,
                                                                         OnState, OnDone,  OnClosed, OnParent};
    auto* self = static_cast<Toplevels*>(data);
    self->tracked_.emplace_back(new Tracked{self, handle, {}, {}});
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &handleListener, self->tracked_.back().get());
}

void Toplevels::OnDone(void* data, zwlr_foreign_toplevel_handle_v1*) {
    auto* t = static_cast<Tracked*>(data);
    Toplevels& self = *t->owner;
    const bool wasActive = t->now.activated;
    const uint32_t id = t->now.id ? t->now.id : self.nextId_++;
    const uint64_t lastActive = t->now.activated || !t->next.activated ? t->now.lastActive : ++self.activations_;
    t->now = t->next;
    t->now.id = id;
    t->now.lastActive = lastActive;
    // Pelmora's windows are X11 windows under XWayland, whose application id is the X11 class.
    t->now.own = t->now.appId.compare(QGuiApplication::applicationName(), Qt::CaseInsensitive) == 0;
    if (t->now.activated && !t->now.own) self.lastOther_ = id;
    if (t->now.activated != wasActive) emit self.ActiveChanged();
}

void Toplevels::OnClosed(void* data, zwlr_foreign_toplevel_handle_v1*) {
    auto* t = static_cast<Tracked*>(data);
    Toplevels& self = *t->owner;
    const bool wasActive = t->now.activated;
    std::erase_if(self.tracked_, [&](const std::unique_ptr<Tracked>& each) { return each.get() == t; });
    if (wasActive) emit self.ActiveChanged();
}

std::vector<const Toplevels::Toplevel*> Toplevels::FrontToBack() const {
    std::vector<const Toplevel*> order;
    for (auto it = tracked_.rbegin(); it != tracked_.rend(); ++it)
        if ((*it)->now.id) order.push_back(&(*it)->now);
    std::stable_sort(order.begin(), order.end(),
                     [](const Toplevel* a, const Toplevel* b) { return a->lastActive > b->lastActive; });
    return order;
}

const Toplevels::Tracked* Toplevels::FindTracked(uint32_t id) const {
    for (const auto& t : tracked_)
        if (id && t->now.id == id) return t.get();
    return nullptr;
}

const Toplevels::Toplevel* Toplevels::Find(uint32_t id) const {
    const Tracked* t = FindTracked(id);
    return t ? &t->now : nullptr;
}

const Toplevels::Toplevel* Toplevels::Active() const {
    for (const auto& t : tracked_)
        if (t->now.id && t->now.activated) return &t->now;
    return nullptr;
}

void Toplevels::Activate(uint32_t id) {
    const Tracked* t = FindTracked(id);
    if (!t || !wayland_->seat) return;
    zwlr_foreign_toplevel_handle_v1_activate(t->handle, wayland_->seat);
    wayland_->Dispatch(0);
}
