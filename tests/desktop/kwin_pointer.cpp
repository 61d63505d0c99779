// Moves KWin's pointer to argv[1], argv[2] through its fake input: xdotool moves XWayland's only.
#include "fake-input-client-protocol.h"

#include <cstdlib>
#include <cstring>
#include <wayland-client.h>

int main(int argc, char** argv) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display || argc != 3) return 2;
    org_kde_kwin_fake_input* input = nullptr;
    const wl_registry_listener listener{
        [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
            const wl_interface* wanted = &org_kde_kwin_fake_input_interface;
            if (std::strcmp(interface, wanted->name) == 0)
                *static_cast<void**>(data) = wl_registry_bind(registry, name, wanted, 3);
        },
        [](void*, wl_registry*, uint32_t) {}};
    wl_registry_add_listener(wl_display_get_registry(display), &listener, &input);
    wl_display_roundtrip(display);
    if (!input) return 1;
    org_kde_kwin_fake_input_authenticate(input, "kwin_pointer", "tests");
    org_kde_kwin_fake_input_pointer_motion_absolute(input, wl_fixed_from_int(std::atoi(argv[1])),
                                                    wl_fixed_from_int(std::atoi(argv[2])));
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
}
