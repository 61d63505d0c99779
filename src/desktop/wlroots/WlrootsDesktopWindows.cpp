#include "WlrootsDesktopWindows.h"

#include "Toplevels.h"

#include <algorithm>

uint32_t WlrootsDesktopWindows::First() {
    walk_.clear();
    for (const Toplevels::Toplevel* t : toplevels_->FrontToBack())
        if (!t->own) walk_.push_back(t->id);
    return walk_.empty() ? 0 : walk_.front();
}

uint32_t WlrootsDesktopWindows::Next(uint32_t window) {
    const auto it = std::find(walk_.begin(), walk_.end(), window);
    if (it == walk_.end() || it + 1 == walk_.end() || !toplevels_->Find(window)) return 0;
    return it[1];
}

uint32_t WlrootsDesktopWindows::Style(uint32_t window) {
    const Toplevels::Toplevel* t = toplevels_->Find(window);
    if (!t) return x11_.Style(window);  // one of Pelmora's own X11 windows
    return WS_BORDER | (t->minimised ? 0 : WS_VISIBLE);
}

QString WlrootsDesktopWindows::Title(uint32_t window) {
    const Toplevels::Toplevel* t = toplevels_->Find(window);
    return t ? t->title.section(QChar(u'\0'), 0, 0) : x11_.Title(window);
}
