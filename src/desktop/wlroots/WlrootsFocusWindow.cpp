#include "WlrootsFocusWindow.h"

#include "Toplevels.h"

FocusWindow::Info WlrootsFocusWindow::Current() {
    const Toplevels::Toplevel* active = toplevels_->Active();
    return active ? Info{active->id, active->own, false} : Info{};
}

unsigned long WlrootsFocusWindow::LastOther() { return toplevels_->LastOther(); }

void WlrootsFocusWindow::Activate(unsigned long window) { toplevels_->Activate(uint32_t(window)); }
