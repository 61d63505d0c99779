#pragma once

#include <QRect>
#include <QString>
#include <cstdint>
#include <list>
#include <vector>

// The top-level windows a Wayland compositor tells about, native and XWayland alike, kept up to
// date from its own messages so that a question about them costs no round trip. Each back-end
// feeds it from its compositor; each window gets an id of ours for the program's handles.
class NativeWindows {
public:
    struct Window {
        uint32_t id = 0;
        QString title, appId;
        bool activated = false, minimised = false, own = false;
        uint64_t lastActive = 0;  // when it was activated last: the later, the nearer the front
        QRect area;               // on the desktop, as last told; empty where the compositor tells none
    };

    virtual ~NativeWindows() = default;
    // The order in which they were active, the one active now first; then those never active,
    // newest first. Compositors tell clients no stacking order: where the window manager focuses
    // the window in front, the order of activation is the stacking order.
    std::vector<const Window*> FrontToBack() const;
    const Window* Find(uint32_t id) const;
    const Window* Active() const;
    // The window of another program that was active last, while it lives; 0 if none.
    uint32_t LastOther() const { return Find(lastOther_) ? lastOther_ : 0; }
    virtual void Activate(uint32_t id) = 0;
    // Where the window is on the desktop, in desktop pixels; empty when unknown.
    virtual QRect Area(uint32_t id) const;

protected:
    // A new window, not yet described; returns its id.
    uint32_t Add();
    void Describe(uint32_t id, const QString& title, const QString& appId, bool minimised);
    void SetActivated(uint32_t id, bool activated);
    void Place(uint32_t id, const QRect& area);
    void Remove(uint32_t id);
    void Clear() { windows_.clear(); }

private:
    Window* FindWritable(uint32_t id);

    std::list<Window> windows_;  // oldest first; a list, so that handed-out pointers stay valid
    uint32_t nextId_ = 1, lastOther_ = 0;
    uint64_t activations_ = 0;
};
