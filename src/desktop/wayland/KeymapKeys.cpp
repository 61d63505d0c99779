#include "KeymapKeys.h"

#include "KeySender.h"
#include "WaylandConnection.h"

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

namespace {

void OnKeymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) static_cast<KeymapKeys*>(data)->TakeKeymap(fd, size);
    close(fd);
}
void OnEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void OnLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void OnKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void OnModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}

}  // namespace

KeymapKeys::KeymapKeys(std::shared_ptr<WaylandConnection> wayland) : wayland_(std::move(wayland)) {
    if (!wayland_->seat) return;
    static const wl_keyboard_listener listener{OnKeymap, OnEnter, OnLeave, OnKey, OnModifiers, nullptr};
    keyboard_ = wl_seat_get_keyboard(wayland_->seat);
    wl_keyboard_add_listener(keyboard_, &listener, this);
    wayland_->Roundtrip();
}

KeymapKeys::~KeymapKeys() {
    if (keyboard_ && wayland_->Alive()) wl_keyboard_destroy(keyboard_);
    xkb_keymap_unref(keymap_);
}

void KeymapKeys::TakeKeymap(int fd, uint32_t size) {
    auto* text = static_cast<const char*>(mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0));
    if (text == MAP_FAILED) return;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap = context ? xkb_keymap_new_from_buffer(context, text, strnlen(text, size),
                                                              XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS)
                                 : nullptr;
    munmap(const_cast<char*>(text), size);
    xkb_context_unref(context);
    if (!keymap) return;
    xkb_keymap_unref(keymap_);
    keymap_ = keymap;
}

std::optional<KeymapKeys::Key> KeymapKeys::KeyFor(unsigned keysym, unsigned layout) const {
    const xkb_mod_mask_t shift = 1u << xkb_keymap_mod_get_index(keymap_, XKB_MOD_NAME_SHIFT),
                         levelThree = 1u << xkb_keymap_mod_get_index(keymap_, "Mod5");
    const bool hasLevelThree = KeycodeOf(XKB_KEY_ISO_Level3_Shift, layout) != 0;
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap_); code <= xkb_keymap_max_keycode(keymap_); ++code) {
        for (xkb_level_index_t level = 0; level < xkb_keymap_num_levels_for_key(keymap_, code, layout); ++level) {
            if (!Types(code, layout, level, keysym)) continue;
            xkb_mod_mask_t masks[8];
            const size_t count = xkb_keymap_key_get_mods_for_level(keymap_, code, layout, level, masks, 8);
            for (size_t i = 0; i < count; ++i)
                if ((masks[i] & ~(shift | levelThree)) == 0 && (hasLevelThree || !(masks[i] & levelThree)))
                    return Key{code, bool(masks[i] & shift), bool(masks[i] & levelThree)};
        }
    }
    return std::nullopt;
}

unsigned KeymapKeys::KeycodeOf(unsigned keysym, unsigned layout) const {
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap_); code <= xkb_keymap_max_keycode(keymap_); ++code)
        if (Types(code, layout, 0, keysym)) return code;
    return 0;
}

bool KeymapKeys::Types(unsigned keycode, unsigned layout, unsigned level, unsigned keysym) const {
    const xkb_keysym_t* syms = nullptr;
    return xkb_keymap_key_get_syms_by_level(keymap_, keycode, layout, level, &syms) == 1 && syms[0] == keysym;
}

std::vector<KeymapKeys::Key> KeymapKeys::KeysFor(const std::vector<KeyStroke>& strokes, unsigned layout,
                                                 QString* missing) const {
    std::vector<Key> keys;
    for (const KeyStroke& k : strokes) {
        if (const std::optional<Key> key = KeyFor(KeysymOf(k), layout)) {
            keys.push_back(*key);
            continue;
        }
        const QString text = k.character ? QString::fromUcs4(&k.character, 1) : QString::number(k.keysym, 16);
        if (!missing->contains(text)) *missing += text;
    }
    return keys;
}
