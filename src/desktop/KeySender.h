#pragma once

#include "KeyNotation.h"

#include <QString>
#include <vector>

// Types keystrokes into the window the caller checked, and only while the keys go there: a
// window that takes the keyboard meanwhile gets none, nor does the shell's own search or menu
// where the desktop tells of it (GNOME, KWin).
// Real: XTest on the X server, a compositor's virtual or fake keyboard; tests: a recorder.
class KeySender {
public:
    virtual ~KeySender() = default;
    // Returns false with a reason when the strokes could not all be typed into the window (an id
    // of the desktop's FocusWindow).
    virtual bool Send(const std::vector<KeyStroke>& strokes, unsigned long window, QString* error) = 0;
    // The characters of the strokes that cannot be typed into the window in front, each once;
    // empty when all can.
    virtual QString Untypable(const std::vector<KeyStroke>&) { return {}; }
};

// The keysym a stroke types: its named key's, or its character's (xkbcommon's mapping).
unsigned KeysymOf(const KeyStroke& stroke);
