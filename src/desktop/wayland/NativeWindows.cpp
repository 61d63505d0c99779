#include "NativeWindows.h"

#include <QCoreApplication>
#include <algorithm>

std::vector<const NativeWindows::Window*> NativeWindows::FrontToBack() const {
    std::vector<const Window*> order;
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) order.push_back(&*it);
    std::stable_sort(order.begin(), order.end(),
                     [](const Window* a, const Window* b) { return a->lastActive > b->lastActive; });
    return order;
}

const NativeWindows::Window* NativeWindows::Find(uint32_t id) const {
    const auto it = std::ranges::find_if(windows_, [&](const Window& w) { return id && w.id == id; });
    return it == windows_.end() ? nullptr : &*it;
}

NativeWindows::Window* NativeWindows::FindWritable(uint32_t id) { return const_cast<Window*>(Find(id)); }

const NativeWindows::Window* NativeWindows::Active() const {
    const auto it = std::ranges::find_if(windows_, &Window::activated);
    return it == windows_.end() ? nullptr : &*it;
}

uint32_t NativeWindows::Add() {
    windows_.emplace_back().id = nextId_++;
    return windows_.back().id;
}

void NativeWindows::Describe(uint32_t id, const QString& title, const QString& appId, bool minimised) {
    Window* w = FindWritable(id);
    if (!w) return;
    w->title = title;
    w->appId = appId;
    w->minimised = minimised;
    // Pelmora's windows are X11 windows under XWayland, whose application id is the X11 class.
    w->own = appId.compare(QCoreApplication::applicationName(), Qt::CaseInsensitive) == 0;
}

void NativeWindows::SetActivated(uint32_t id, bool activated) {
    Window* w = FindWritable(id);
    if (!w) return;
    if (activated && !w->activated) w->lastActive = ++activations_;
    w->activated = activated;
    if (activated && !w->own) lastOther_ = id;
}

void NativeWindows::Place(uint32_t id, const QRect& area) {
    if (Window* w = FindWritable(id)) w->area = area;
}

QRect NativeWindows::Area(uint32_t id) const {
    const Window* w = Find(id);
    return w ? w->area : QRect();
}

void NativeWindows::Remove(uint32_t id) {
    std::erase_if(windows_, [&](const Window& w) { return w.id == id; });
}
