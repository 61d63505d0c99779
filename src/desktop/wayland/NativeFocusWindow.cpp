#include "NativeFocusWindow.h"

#include "NativeWindows.h"

FocusWindow::Info NativeFocusWindow::Current() {
    const NativeWindows::Window* active = windows_->Active();
    return active ? Info{active->id, active->own, false} : Info{};
}

unsigned long NativeFocusWindow::LastOther() { return windows_->LastOther(); }

void NativeFocusWindow::Activate(unsigned long window) { windows_->Activate(uint32_t(window)); }
