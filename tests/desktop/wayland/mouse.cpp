// A mouse for the desktop tests on wlroots compositors, which have no input devices when
// headless: a virtual pointer that moves and clicks as a person's mouse does, the commands read
// line by line from its input until it ends:
//   move X Y        (pixels of a WIDTH x HEIGHT screen, given as the arguments)
//   down BUTTON | up BUTTON | click BUTTON COUNT      (1 left, 2 middle, 3 right)
// Each command is carried out before "ok" is written.
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <linux/input-event-codes.h>
#include <sstream>
#include <thread>
#include <wayland-client.h>

namespace {

wl_seat* seat = nullptr;
zwlr_virtual_pointer_manager_v1* manager = nullptr;

void Global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    if (!std::strcmp(interface, wl_seat_interface.name))
        seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    if (!std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name))
        manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}
void GlobalRemoved(void*, wl_registry*, uint32_t) {}

uint32_t Now() {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

int main(int argc, char** argv) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display || argc < 3) return 1;
    const uint32_t width = uint32_t(std::atoi(argv[1])), height = uint32_t(std::atoi(argv[2]));
    const wl_registry_listener listener{Global, GlobalRemoved};
    wl_registry_add_listener(wl_display_get_registry(display), &listener, nullptr);
    wl_display_roundtrip(display);
    if (!manager) return 1;
    zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    const uint32_t buttons[] = {0, BTN_LEFT, BTN_MIDDLE, BTN_RIGHT};
    const auto press = [&](int button, bool down) {
        zwlr_virtual_pointer_v1_button(pointer, Now(), buttons[button & 3], down);
        zwlr_virtual_pointer_v1_frame(pointer);
    };
    for (std::string line; std::getline(std::cin, line);) {
        std::istringstream in(line);
        std::string command;
        int a = 0, b = 0;
        in >> command >> a >> b;
        if (command == "move") {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, Now(), uint32_t(a), uint32_t(b), width, height);
            zwlr_virtual_pointer_v1_frame(pointer);
        }
        if (command == "down" || command == "up") press(a, command == "down");
        for (int i = 0; command == "click" && i < std::max(b, 1); ++i) {
            if (i) std::this_thread::sleep_for(std::chrono::milliseconds(120));
            press(a, true);
            press(a, false);
        }
        wl_display_roundtrip(display);
        std::cout << "ok" << std::endl;
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    return 0;
}
