#pragma once

#include "KeySender.h"
#include "KeymapKeys.h"

#include <memory>
#include <vector>

class KWinWindows;
class WaylandConnection;

// Types on KWin through its fake input, into the window KWin has made active, native or X11:
// keys of the keyboard layout in use, pressed by keycode. XWayland there has no spare keycode
// to map another character to, so a character on no key of the layout cannot be typed at all and
// is refused before any key goes. Caps Lock, when locked, is let go while typing and locked again.
class FakeInputKeyboard : public KeySender {
public:
    FakeInputKeyboard(std::shared_ptr<WaylandConnection> wayland, std::shared_ptr<KWinWindows> windows);
    ~FakeInputKeyboard() override;
    bool Send(const std::vector<KeyStroke>& strokes, unsigned long window, QString* error) override;
    QString Untypable(const std::vector<KeyStroke>& strokes) override;

    bool capsLocked = false;  // for the compositor's events

private:
    using Key = KeymapKeys::Key;
    // The keys of the strokes, in the layout in use; the characters of those without one go to missing.
    std::vector<Key> KeysFor(const std::vector<KeyStroke>& strokes, QString* missing);
    unsigned KeycodeOf(unsigned keysym) const { return keys_.KeycodeOf(keysym, layout_); }
    // The modifier keys to hold for the key and the stroke's own modifiers.
    std::vector<unsigned> HeldFor(const Key& key, int modifiers) const;
    void Press(unsigned keycode, bool down);
    void Tap(unsigned keycode);
    void FindLayout();
    // Why a key would not reach the window now; empty when it would.
    QString ObstacleTo(uint32_t target);

    std::shared_ptr<WaylandConnection> wayland_;
    std::shared_ptr<KWinWindows> windows_;
    KeymapKeys keys_;
    unsigned layout_ = 0;  // in use: an index into the keymap's layouts
};
