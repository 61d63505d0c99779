#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class WaylandConnection;
struct zwlr_foreign_toplevel_handle_v1;

// The compositor's top-level windows, native and XWayland alike, as its foreign toplevel list
// announces them, kept up to date from its events so that a question about them costs no
// round trip. Each gets an id of its own for the program's handles.
class Toplevels : public QObject {
    Q_OBJECT
public:
    struct Toplevel {
        uint32_t id = 0;
        QString title, appId;
        bool activated = false, minimised = false, own = false;
        uint64_t lastActive = 0;  // when it was activated last: the later, the nearer the front
    };

    explicit Toplevels(std::shared_ptr<WaylandConnection> wayland);
    ~Toplevels() override;

    // The order in which they were active, the one active now first; then those never active,
    // newest first. A compositor tells no stacking order: where the window manager focuses the
    // window in front, the order of activation is the stacking order.
    std::vector<const Toplevel*> FrontToBack() const;
    const Toplevel* Find(uint32_t id) const;
    const Toplevel* Active() const;
    // The window of another program that was active last, while it lives; 0 if none.
    uint32_t LastOther() const { return Find(lastOther_) ? lastOther_ : 0; }
    void Activate(uint32_t id);

    // A toplevel with the compositor's handle, for the event handlers.
    struct Tracked;

signals:
    void ActiveChanged();

private:
    static void OnDone(void* data, zwlr_foreign_toplevel_handle_v1*);
    static void OnClosed(void* data, zwlr_foreign_toplevel_handle_v1*);
    static void OnToplevel(void* data, struct zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1*);
    const Tracked* FindTracked(uint32_t id) const;

    std::shared_ptr<WaylandConnection> wayland_;
    std::vector<std::unique_ptr<Tracked>> tracked_;  // oldest first
    uint32_t nextId_ = 1;
    uint64_t activations_ = 0;
    uint32_t lastOther_ = 0;
};
