#pragma once

#include "KeyNotation.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

class WaylandConnection;
struct wl_keyboard;
struct xkb_keymap;

// The keyboard layouts the compositor gives its clients (the keymap of the seat's keyboard, read
// with xkbcommon, kept up to date), and which key of a layout types a keysym.
class KeymapKeys {
public:
    struct Key {
        unsigned keycode;
        bool shift = false, levelThree = false;
    };
    explicit KeymapKeys(std::shared_ptr<WaylandConnection> wayland);
    ~KeymapKeys();
    bool Known() const { return keymap_ != nullptr; }
    // The key with the keysym in the layout (an index into the keymap's layouts), on a level that
    // Shift, AltGr or both select.
    std::optional<Key> KeyFor(unsigned keysym, unsigned layout) const;
    unsigned KeycodeOf(unsigned keysym, unsigned layout) const;  // on the key's first level; 0 if none
    // The keys of the strokes; the characters of those on no key go to missing, each once.
    std::vector<Key> KeysFor(const std::vector<KeyStroke>& strokes, unsigned layout, QString* missing) const;

    void TakeKeymap(int fd, uint32_t size);  // for the compositor's events

private:
    bool Types(unsigned keycode, unsigned layout, unsigned level, unsigned keysym) const;

    std::shared_ptr<WaylandConnection> wayland_;
    wl_keyboard* keyboard_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
};
