#include "WindowTree.h"

Window ParentOf(Display* display, Window window) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
    if (children) XFree(children);
    return parent == root ? 0 : parent;
}

bool Within(Display* display, Window window, Window other) {
    for (Window w = window; w; w = ParentOf(display, w))
        if (w == other) return true;
    return false;
}
