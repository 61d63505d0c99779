#include "NativeDesktopWindows.h"

#include "NativeWindows.h"

#include <algorithm>

uint32_t NativeDesktopWindows::First() {
    walk_.clear();
    for (const NativeWindows::Window* w : windows_->FrontToBack())
        if (!w->own) walk_.push_back(w->id);
    return walk_.empty() ? 0 : walk_.front();
}

uint32_t NativeDesktopWindows::Next(uint32_t window) {
    const auto it = std::find(walk_.begin(), walk_.end(), window);
    if (it == walk_.end() || it + 1 == walk_.end() || !windows_->Find(window)) return 0;
    return it[1];
}

uint32_t NativeDesktopWindows::Style(uint32_t window) {
    const NativeWindows::Window* w = windows_->Find(window);
    if (!w) return x11_.Style(window);  // one of Pelmora's own X11 windows
    return WS_BORDER | (w->minimised ? 0 : WS_VISIBLE);
}

QString NativeDesktopWindows::Title(uint32_t window) {
    const NativeWindows::Window* w = windows_->Find(window);
    return w ? w->title.section(QChar(u'\0'), 0, 0) : x11_.Title(window);
}

QRect NativeDesktopWindows::Area(uint32_t window) {
    return windows_->Find(window) ? windows_->Area(window) : x11_.Area(window);
}
