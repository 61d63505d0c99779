#pragma once

#include "KeySender.h"

#include <memory>

class FocusWindow;

// Sends through XTest so that each character arrives exactly on whatever keyboard
// layout and group is active: it presses the key and level that produce the
// character's keysym (with the modifiers that level needs), maps spare keycodes
// for characters the layout lacks, and types with Caps Lock released. Afterwards
// no key is held, the keyboard mapping and the lock state are as before. Before each key it
// asks the focus whether the window still has the keyboard.
class XTestKeySender : public KeySender {
public:
    explicit XTestKeySender(std::shared_ptr<FocusWindow> focus) : focus_(std::move(focus)) {}
    bool Send(const std::vector<KeyStroke>& strokes, unsigned long window, QString* error) override;

private:
    std::shared_ptr<FocusWindow> focus_;
};

// Puts back the keycodes that a typing session killed in the middle (a crash, SIGKILL) left
// mapped to characters the layout lacks; the program calls it once at start.
void RestoreLeftSpareKeys();
