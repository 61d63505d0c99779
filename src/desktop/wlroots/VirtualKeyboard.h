#pragma once

#include "KeySender.h"

#include <QByteArray>
#include <QTimer>
#include <memory>

class Toplevels;
class WaylandConnection;
struct zwp_virtual_keyboard_v1;

// Types through a virtual keyboard of the compositor's, with a keymap made for the text: every
// character has a key of its own, so each types exactly whatever the user's layout, characters
// on no layout included. One keyboard serves the whole program, so that a client never misses
// the first key of a keyboard it has not seen yet; its keymap grows by the keys a text needs while
// typing goes on, and is emptied once it has ended: a keymap goes to whichever window has the
// focus, and should not tell it which characters were typed. Typing stops as soon as another
// window becomes active.
class VirtualKeyboard : public KeySender {
public:
    VirtualKeyboard(std::shared_ptr<WaylandConnection> wayland, std::shared_ptr<Toplevels> toplevels);
    ~VirtualKeyboard() override;
    bool Send(const std::vector<KeyStroke>& strokes, unsigned long window, QString* error) override;

    // The keymap for the keysyms: the modifier keys, then one key for each keysym (in xkbcommon's
    // text form); empty when xkbcommon refuses it.
    static QByteArray KeymapFor(const std::vector<unsigned>& keysyms);

private:
    bool Type(const std::vector<KeyStroke>& strokes, uint32_t window, QString* error);
    bool Load(const std::vector<unsigned>& keysyms);
    void Press(unsigned keycode, unsigned modifiers);

    std::shared_ptr<WaylandConnection> wayland_;
    std::shared_ptr<Toplevels> toplevels_;
    zwp_virtual_keyboard_v1* keyboard_ = nullptr;
    std::vector<unsigned> loaded_;  // the keysyms of the keymap loaded, from the first character's keycode on
    QTimer idle_;                   // after the last text: a notebook entry's parts keep the keymap
};
