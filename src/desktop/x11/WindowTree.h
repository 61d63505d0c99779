#pragma once

#include <X11/Xlib.h>

// The X window tree between a top-level window and the root: window managers put each client
// into a frame of theirs, and the input focus may be on a child of a client.

// The window's parent below the root; 0 for a top-level window or one gone.
Window ParentOf(Display* display, Window window);

// Whether the window is the other one or lies inside it.
bool Within(Display* display, Window window, Window other);
