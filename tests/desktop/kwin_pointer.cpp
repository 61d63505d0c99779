// Moves KWin's pointer to argv[1], argv[2] through its fake input: xdotool moves XWayland's only.
#include "fake-input-client-protocol.h"

#include <cstdlib>
#include <cstring>
#include <wayland-client.h>

int main(int argc, char** argv) {
    wl_display* display = wl_display_connect(nullptr);
    void* input = nullptr;
    const wl_registry_listener listener{[](void* data, wl_registry* registry, uint32_t name, const char* interface,
                                           uint32_t) {
        if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0)
            *static_cast<void**>(data) = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 3);
    }, [](void*, wl_registry*, uint32_t) {}};
    if (!display || argc != 3) return 2;
    wl_registry_add_listener(wl_display_get_registry(display), &listener, &input);
    wl_display_roundtrip(display);
    if (!input) return 1;
    auto* fake = static_cast<org_kde_kwin_fake_input*>(input);
    org_kde_kwin_fake_input_authenticate(fake, "kwin_pointer", "tests");
    const int x = atoi(argv[1]), y = atoi(argv[2]);
    org_kde_kwin_fake_input_pointer_motion_absolute(fake, wl_fixed_from_int(x), wl_fixed_from_int(y));
    wl_display_roundtrip(display);
}
