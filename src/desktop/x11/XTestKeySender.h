#pragma once

#include "KeySender.h"

// Sends through XTest so that each character arrives exactly on whatever keyboard
// layout and group is active: it presses the key and level that produce the
// character's keysym (with the modifiers that level needs), maps spare keycodes
// for characters the layout lacks, and types with Caps Lock released. Afterwards
// no key is held, the keyboard mapping and the lock state are as before. Each key goes only
// while the X input focus is on the window (or inside it, or on its frame).
class XTestKeySender : public KeySender {
public:
    bool Send(const std::vector<KeyStroke>& strokes, unsigned long window, QString* error) override;
};

// Puts back the keycodes that a typing session killed in the middle (a crash, SIGKILL) left
// mapped to characters the layout lacks; the program calls it once at start.
void RestoreLeftSpareKeys();
