#pragma once

#include "NativeWindows.h"

#include <memory>

class WaylandConnection;
struct zwlr_foreign_toplevel_handle_v1;

// The windows as a wlroots compositor's foreign toplevel list announces them.
class Toplevels : public NativeWindows {
public:
    explicit Toplevels(std::shared_ptr<WaylandConnection> wayland);
    ~Toplevels() override;

    void Activate(uint32_t id) override;
    QRect Area(uint32_t id) const override;

    // A toplevel with the compositor's handle, for the event handlers.
    struct Tracked;

private:
    Tracked* TrackedOf(uint32_t id) const;  // null for none
    static void OnDone(void* data, zwlr_foreign_toplevel_handle_v1*);
    static void OnClosed(void* data, zwlr_foreign_toplevel_handle_v1*);
    static void OnToplevel(void* data, struct zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1*);

    std::shared_ptr<WaylandConnection> wayland_;
    std::vector<std::unique_ptr<Tracked>> tracked_;
};
