#include "KeySender.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <algorithm>
#include <bit>
#include <optional>
#include <thread>
#include <xkbcommon/xkbcommon.h>

namespace {

using namespace std::chrono_literals;

struct KeyChoice {
    KeyCode keycode = 0;
    unsigned mods = 0;  // real modifiers that select the level
};

// The keycode a session has mapped for a character the layout lacks, as keycode and keysym
// on the root window, for as long as it is mapped: a program killed while typing leaves it
// so, and its next start puts it back (RestoreLeftSpareKeys).
constexpr const char* SpareKeysProperty = "_PELMORA_SPARE_KEYS";

unsigned KeysymOf(const KeyStroke& stroke) {
    return stroke.keysym ? stroke.keysym : xkb_utf32_to_keysym(stroke.character);
}

// The first X error on the typing session's connection. Xlib's default handler would end
// the program, the toolkit's would hide the error and keep typing; either way the keys
// typed would not be the text. Errors of other connections go to the handler before.
Display* sessionDisplay = nullptr;
int sessionError = 0;
XErrorHandler previousHandler = nullptr;

int OnXError(Display* display, XErrorEvent* event) {
    if (display != sessionDisplay) return previousHandler ? previousHandler(display, event) : 0;
    if (!sessionError) sessionError = event->error_code;
    return 0;
}

// One typing session on its own X connection, so that nothing of it outlives Send.
class XTestSession {
public:
    XTestSession() : display_(XOpenDisplay(nullptr)) {
        if (!display_) return;
        sessionDisplay = display_;
        sessionError = 0;
        previousHandler = XSetErrorHandler(OnXError);
    }
    ~XTestSession() {
        if (!display_) return;
        for (KeyCode key : pressed_) XTestFakeKeyEvent(display_, key, False, CurrentTime);
        restoreSpare();
        if (capsWasLocked_) XkbLockModifiers(display_, XkbUseCoreKbd, LockMask, LockMask);
        XSync(display_, False);
        XSetErrorHandler(previousHandler);
        sessionDisplay = nullptr;
        if (xkb_) XkbFreeKeyboard(xkb_, 0, True);
        if (modifierMap_) XFreeModifiermap(modifierMap_);
        XCloseDisplay(display_);
    }

    bool open(QString* error) {
        int event, errorBase, major, minor;
        if (!display_ || !XTestQueryExtension(display_, &event, &errorBase, &major, &minor)) {
            *error = QStringLiteral("the X server offers no XTest keyboard");
            return false;
        }
        XkbStateRec state;
        XkbGetState(display_, XkbUseCoreKbd, &state);
        group_ = state.group;
        capsWasLocked_ = state.locked_mods & LockMask;
        if (capsWasLocked_) XkbLockModifiers(display_, XkbUseCoreKbd, LockMask, 0);
        return reloadMaps();
    }

    // Maps a keycode that has no symbols to the stroke's character, which the layout lacks.
    // One at a time: a client reads its keymap when it gets to the key, so a mapping may only
    // change once the keys typed with it have surely been read.
    void mapSpare(const KeyStroke& stroke) {
        restoreSpare();
        for (int key = xkb_->max_key_code; key >= xkb_->min_key_code; --key) {
            if (XkbKeyNumSyms(xkb_, key) != 0) continue;
            spare_ = {KeysymOf(stroke), static_cast<KeyCode>(key)};
            long record[2] = {long(spare_->keycode), long(spare_->keysym)};
            XChangeProperty(display_, DefaultRootWindow(display_), XInternAtom(display_, SpareKeysProperty, False),
                            XA_INTEGER, 32, PropModeReplace, reinterpret_cast<unsigned char*>(record), 2);
            KeySym syms[2] = {spare_->keysym, spare_->keysym};
            XChangeKeyboardMapping(display_, key, 2, syms, 1);
            XSync(display_, False);
            std::this_thread::sleep_for(40ms);  // clients reload their keymap on MappingNotify
            return;
        }
    }

    bool type(const KeyStroke& stroke, QString* error) {
        std::optional<KeyChoice> choice = choose(stroke);
        if (!choice) {
            mapSpare(stroke);
            choice = choose(stroke);
        }
        if (!choice) {
            *error = QStringLiteral("no key is free to type \"%1\"").arg(QString::fromUcs4(&stroke.character, 1));
            return false;
        }
        std::vector<KeyCode> mods;
        const unsigned explicitMods = (stroke.modifiers & KeyStroke::Shift ? ShiftMask : 0) |
                                      (stroke.modifiers & KeyStroke::Control ? ControlMask : 0);
        for (unsigned mask = explicitMods | choice->mods; mask; mask &= mask - 1)
            if (KeyCode key = modifierKey(std::countr_zero(mask))) mods.push_back(key);
        if (stroke.modifiers & KeyStroke::Alt) mods.push_back(XKeysymToKeycode(display_, XK_Alt_L));
        for (KeyCode key : mods) press(key);
        // A refused modifier must not let its key through as a plain one.
        if (!mods.empty() && refused(error)) return false;
        press(choice->keycode);
        release(choice->keycode);
        for (auto key = mods.rbegin(); key != mods.rend(); ++key) release(*key);
        if (refused(error)) return false;
        std::this_thread::sleep_for(4ms);  // lets the focused client take the keys in order
        return true;
    }

private:
    // Waits until the server has handled every request so far; false with *error when it
    // refused one.
    bool refused(QString* error) {
        XSync(display_, False);
        if (!sessionError) return false;
        char text[160] = "";
        XGetErrorText(display_, sessionError, text, sizeof text);
        *error = QStringLiteral("the X server refused a key (%1)").arg(QString::fromLocal8Bit(text));
        return true;
    }

    bool reloadMaps() {
        if (xkb_) XkbFreeKeyboard(xkb_, 0, True);
        if (modifierMap_) XFreeModifiermap(modifierMap_);
        xkb_ = XkbGetMap(display_, XkbAllClientInfoMask, XkbUseCoreKbd);
        modifierMap_ = XGetModifierMapping(display_);
        return xkb_ && modifierMap_;
    }

    // The real modifiers that select a level of the key's type, avoiding Lock and
    // the Num Lock modifier; nullopt when no usable combination selects it.
    std::optional<unsigned> modsForLevel(KeyCode key, int level) {
        if (level == 0) return 0u;
        XkbKeyTypePtr type = XkbKeyKeyType(xkb_, key, group_);
        std::optional<unsigned> best;
        const unsigned numLock = XkbKeysymToModifiers(display_, XK_Num_Lock);
        for (int i = 0; i < type->map_count; ++i) {
            const XkbKTMapEntryRec& entry = type->map[i];
            if (!entry.active || entry.level != level || (entry.mods.mask & (LockMask | numLock))) continue;
            if (!best || std::popcount(entry.mods.mask) < std::popcount(*best)) best = entry.mods.mask;
        }
        return best;
    }

    std::optional<KeyChoice> find(unsigned keysym, char32_t character) {
        std::optional<KeyChoice> best;
        for (int key = xkb_->min_key_code; key <= xkb_->max_key_code; ++key) {
            const int groups = XkbKeyNumGroups(xkb_, key);
            if (groups == 0 || group_ >= groups) continue;
            for (int level = 0; level < XkbKeyGroupWidth(xkb_, key, group_); ++level) {
                const KeySym sym = XkbKeySymEntry(xkb_, key, level, group_);
                const bool same = sym == keysym || (character && xkb_keysym_to_utf32(sym) == character);
                if (!same || (sym >= XK_KP_Space && sym <= XK_KP_Equal)) continue;
                const std::optional<unsigned> mods = modsForLevel(key, level);
                if (mods && (!best || std::popcount(*mods) < std::popcount(best->mods)))
                    best = KeyChoice{static_cast<KeyCode>(key), *mods};
            }
        }
        return best;
    }

    // The key for the stroke: on the layout, or the spare keycode mapped for it.
    std::optional<KeyChoice> choose(const KeyStroke& stroke) {
        const unsigned keysym = KeysymOf(stroke);
        if (std::optional<KeyChoice> choice = find(keysym, stroke.character)) return choice;
        if (spare_ && spare_->keysym == keysym) return KeyChoice{spare_->keycode, 0};
        return std::nullopt;
    }

    void restoreSpare() {
        if (!spare_) return;
        std::this_thread::sleep_for(20ms);  // the client must read the key before its mapping goes
        KeySym none[2] = {NoSymbol, NoSymbol};
        XChangeKeyboardMapping(display_, spare_->keycode, 2, none, 1);
        XDeleteProperty(display_, DefaultRootWindow(display_), XInternAtom(display_, SpareKeysProperty, False));
        XSync(display_, False);
        spare_.reset();
        reloadMaps();
    }

    KeyCode modifierKey(int modifierIndex) {
        for (int i = 0; i < modifierMap_->max_keypermod; ++i)
            if (KeyCode key = modifierMap_->modifiermap[modifierIndex * modifierMap_->max_keypermod + i]) return key;
        return 0;
    }

    void press(KeyCode key) {
        XTestFakeKeyEvent(display_, key, True, CurrentTime);
        pressed_.push_back(key);
    }

    void release(KeyCode key) {
        XTestFakeKeyEvent(display_, key, False, CurrentTime);
        pressed_.erase(std::find(pressed_.begin(), pressed_.end(), key));
    }

    Display* display_;
    XkbDescPtr xkb_ = nullptr;
    XModifierKeymap* modifierMap_ = nullptr;
    int group_ = 0;
    bool capsWasLocked_ = false;
    struct Spare {
        unsigned keysym;
        KeyCode keycode;
    };
    std::optional<Spare> spare_;
    std::vector<KeyCode> pressed_;
};

}  // namespace

bool XTestKeySender::Send(const std::vector<KeyStroke>& strokes, QString* error) {
    XTestSession session;
    if (!session.open(error)) return false;
    for (const KeyStroke& stroke : strokes)
        if (!session.type(stroke, error)) return false;
    return true;
}

void RestoreLeftSpareKeys() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return;
    const Atom property = XInternAtom(display, SpareKeysProperty, False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 1024, True, XA_INTEGER, &type, &format,
                           &count, &after, &data) == Success && data && format == 32) {
        const long* pairs = reinterpret_cast<const long*>(data);
        KeySym none[2] = {NoSymbol, NoSymbol};
        // Only a keycode that still carries the character is put back: someone may have set it since.
        for (unsigned long i = 0; i + 1 < count; i += 2) {
            const auto keycode = static_cast<KeyCode>(pairs[i]);
            int perCode = 0;
            KeySym* syms = XGetKeyboardMapping(display, keycode, 1, &perCode);
            if (syms && perCode > 0 && syms[0] == KeySym(pairs[i + 1]))
                XChangeKeyboardMapping(display, keycode, 2, none, 1);
            if (syms) XFree(syms);
        }
    }
    if (data) XFree(data);
    XCloseDisplay(display);
}
