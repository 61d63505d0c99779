// Drives KWin's own input, which xdotool (XWayland's) does not reach, and which KWin 6.7 takes no
// XTest from: "X Y" moves the pointer; "caps" prints whether Caps Lock is locked, "caps toggle"
// presses it; "click BUTTON TIMES" clicks; "key K..." presses each key as xdotool names them on
// a US keyboard ("alt+t", "Escape").
#include "fake-input-client-protocol.h"
#include "keystate-client-protocol.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <linux/input-event-codes.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

namespace {

wl_display* display = nullptr;
org_kde_kwin_fake_input* input = nullptr;
org_kde_kwin_keystate* keystate = nullptr;
bool capsLocked = false;

void Bind(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    const auto bind = [&](const wl_interface& wanted, uint32_t version) {
        return std::strcmp(interface, wanted.name) == 0 ? wl_registry_bind(registry, name, &wanted, version) : nullptr;
    };
    if (void* found = bind(org_kde_kwin_fake_input_interface, 4)) input = static_cast<org_kde_kwin_fake_input*>(found);
    if (void* found = bind(org_kde_kwin_keystate_interface, 1)) keystate = static_cast<org_kde_kwin_keystate*>(found);
}
void Unbind(void*, wl_registry*, uint32_t) {}
void State(void*, org_kde_kwin_keystate*, uint32_t key, uint32_t state) {
    if (key == ORG_KDE_KWIN_KEYSTATE_KEY_CAPSLOCK) capsLocked = state == ORG_KDE_KWIN_KEYSTATE_STATE_LOCKED;
}

// The evdev code of the key giving keysym name on a US keyboard without modifiers; 0 for none.
uint32_t CodeOf(xkb_keymap* keymap, const std::string& name) {
    if (name == "alt") return KEY_LEFTALT;
    if (name == "ctrl") return KEY_LEFTCTRL;
    if (name == "shift") return KEY_LEFTSHIFT;
    const xkb_keysym_t wanted = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
    for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap); key <= xkb_keymap_max_keycode(keymap); ++key) {
        const xkb_keysym_t* syms = nullptr;
        if (xkb_keymap_key_get_syms_by_level(keymap, key, 0, 0, &syms) == 1 && syms[0] == wanted) return key - 8;
    }
    return 0;
}

void Press(uint32_t code, bool down) {
    org_kde_kwin_fake_input_keyboard_key(input, code, down);
    wl_display_flush(display);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // as a hand would, one after another
}

// "alt+t": each part pressed in turn, let go the other way round.
bool Keys(xkb_keymap* keymap, const std::string& combination) {
    std::vector<uint32_t> codes;
    std::istringstream parts(combination);
    for (std::string part; std::getline(parts, part, '+');) codes.push_back(keymap ? CodeOf(keymap, part) : 0);
    if (std::ranges::count(codes, 0u)) return false;
    for (uint32_t code : codes) Press(code, true);
    for (auto code = codes.rbegin(); code != codes.rend(); ++code) Press(*code, false);
    return true;
}

void Click(uint32_t button, int times) {
    for (int i = 0; i < times; ++i)
        for (uint32_t state : {1, 0}) {
            org_kde_kwin_fake_input_button(input, button, state);
            wl_display_flush(display);
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
        }
}

}  // namespace

int main(int argc, char** argv) {
    display = wl_display_connect(nullptr);
    const wl_registry_listener globals{Bind, Unbind};
    const org_kde_kwin_keystate_listener states{State};
    if (!display || argc < 2) return 2;
    wl_registry_add_listener(wl_display_get_registry(display), &globals, nullptr);
    wl_display_roundtrip(display);
    if (!input || !keystate) return 1;
    org_kde_kwin_fake_input_authenticate(input, "kwin_input", "tests");
    org_kde_kwin_keystate_add_listener(keystate, &states, nullptr);
    org_kde_kwin_keystate_fetchStates(keystate);
    wl_display_roundtrip(display);
    const std::string command = argv[1];
    int status = 0;
    if (command == "caps" && argc > 2) {
        Press(KEY_CAPSLOCK, true);
        Press(KEY_CAPSLOCK, false);
    } else if (command == "caps") {
        std::printf(capsLocked ? "on" : "off");
    } else if (command == "click" && argc > 3) {
        const int button = atoi(argv[2]);  // as X numbers them
        Click(button == 3 ? BTN_RIGHT : button == 2 ? BTN_MIDDLE : BTN_LEFT, atoi(argv[3]));
    } else if (command == "key") {
        xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        xkb_keymap* keymap = xkb_keymap_new_from_names(context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS);
        for (int i = 2; i < argc; ++i) status |= Keys(keymap, argv[i]) ? 0 : 3;
        xkb_keymap_unref(keymap);
        xkb_context_unref(context);
    } else {
        org_kde_kwin_fake_input_pointer_motion_absolute(input, wl_fixed_from_int(atoi(argv[1])),
                                                        wl_fixed_from_int(argc > 2 ? atoi(argv[2]) : 0));
    }
    wl_display_roundtrip(display);
    return status;
}
