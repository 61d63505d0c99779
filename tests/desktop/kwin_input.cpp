// Drives KWin's own input, which xdotool (XWayland's) does not reach: "X Y" moves the pointer;
// "caps" prints whether Caps Lock is locked, "caps toggle" presses it.
#include "fake-input-client-protocol.h"
#include "keystate-client-protocol.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <wayland-client.h>

namespace {

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

}  // namespace

int main(int argc, char** argv) {
    wl_display* display = wl_display_connect(nullptr);
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
    if (std::strcmp(argv[1], "caps") != 0) {
        org_kde_kwin_fake_input_pointer_motion_absolute(input, wl_fixed_from_int(atoi(argv[1])),
                                                        wl_fixed_from_int(argc > 2 ? atoi(argv[2]) : 0));
    } else if (argc > 2) {
        org_kde_kwin_fake_input_keyboard_key(input, 58, 1);  // KEY_CAPSLOCK
        org_kde_kwin_fake_input_keyboard_key(input, 58, 0);
    } else {
        std::printf(capsLocked ? "on" : "off");
    }
    wl_display_roundtrip(display);
}
