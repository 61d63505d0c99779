#include "XTestKeySender.h"

#include "WindowTree.h"

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

unsigned KeysymOf(const KeyStroke& stroke) {
    return stroke.keysym ? stroke.keysym : xkb_utf32_to_keysym(stroke.character);
}

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

// A key given back to no symbols, through the core request: Debian 13's X server keeps the
// symbols of a key that XKB's map change leaves without groups.
void ClearKey(Display* display, KeyCode keycode) {
    KeySym none[2] = {NoSymbol, NoSymbol};
    XChangeKeyboardMapping(display, keycode, 2, none, 1);
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
        restoreSpares();
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

    // Maps the keycodes that have no symbols (the spares) to the characters the layout lacks
    // among the strokes from `from` on, as many distinct ones as there are spares, in one
    // keymap change: each change makes every client reload its keymap, and keys typed with a
    // mapping must have been read before that mapping changes again.
    void mapSpares(const std::vector<KeyStroke>& strokes, size_t from) {
        restoreSpares();
        std::vector<KeyCode> free;
        for (int key = xkb_->max_key_code; key >= xkb_->min_key_code; --key)
            if (XkbKeyNumSyms(xkb_, key) == 0) free.push_back(static_cast<KeyCode>(key));
        for (size_t i = from; i < strokes.size() && spares_.size() < free.size(); ++i) {
            const unsigned keysym = KeysymOf(strokes[i]);
            if (spareFor(keysym) || find(keysym, strokes[i].character)) continue;
            spares_.push_back({keysym, free[spares_.size()]});
        }
        if (spares_.empty()) return;
        std::vector<long> record;
        int oneLevel = XkbOneLevelIndex;
        for (const Spare& spare : spares_) {
            XkbChangeTypesOfKey(xkb_, spare.keycode, 1, XkbGroup1Mask, &oneLevel, nullptr);
            XkbKeySymsPtr(xkb_, spare.keycode)[0] = spare.keysym;
            record.insert(record.end(), {long(spare.keycode), long(spare.keysym)});
        }
        XChangeProperty(display_, DefaultRootWindow(display_), XInternAtom(display_, SpareKeysProperty, False),
                        XA_INTEGER, 32, PropModeReplace, reinterpret_cast<unsigned char*>(record.data()),
                        int(record.size()));
        sendSpareKeys();
        std::this_thread::sleep_for(10ms);  // clients reload their keymap on the notification
    }

    // One stroke, typed only while the X input focus is on the window, inside it or on its frame.
    // The server is held from the look to the last key event: the window manager moves the
    // focus a moment before it says so in _NET_ACTIVE_WINDOW, and no key may fall in between.
    bool typeInto(unsigned long window, const std::vector<KeyStroke>& strokes, size_t i, QString* error) {
        XGrabServer(display_);
        Window focus = None;
        int revert = 0;
        XGetInputFocus(display_, &focus, &revert);
        const bool reached = focus != None && focus != PointerRoot &&
                             (Within(display_, focus, window) || Within(display_, window, focus));
        const bool typed = reached && type(strokes, i, error);
        XUngrabServer(display_);
        XFlush(display_);
        if (!reached) *error = QStringLiteral("the keyboard focus moved to another window");
        if (typed) std::this_thread::sleep_for(4ms);  // lets the focused client take the keys in order
        return typed;
    }

private:
    bool type(const std::vector<KeyStroke>& strokes, size_t i, QString* error) {
        const KeyStroke& stroke = strokes[i];
        std::optional<KeyChoice> choice = choose(stroke);
        if (!choice) {
            mapSpares(strokes, i);
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
        return !refused(error);
    }

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

    // The key for the stroke: the spare keycode mapped for it, or its key on the layout.
    std::optional<KeyChoice> choose(const KeyStroke& stroke) {
        const unsigned keysym = KeysymOf(stroke);
        if (std::optional<KeyCode> spare = spareFor(keysym)) return KeyChoice{*spare, 0};
        return find(keysym, stroke.character);
    }

    std::optional<KeyCode> spareFor(unsigned keysym) const {
        for (const Spare& spare : spares_)
            if (spare.keysym == keysym) return spare.keycode;
        return std::nullopt;
    }

    void restoreSpares() {
        if (spares_.empty()) return;
        std::this_thread::sleep_for(25ms);  // the client must read the keys before their mapping goes
        for (const Spare& spare : spares_) ClearKey(display_, spare.keycode);
        XDeleteProperty(display_, DefaultRootWindow(display_), XInternAtom(display_, SpareKeysProperty, False));
        XSync(display_, False);
        spares_.clear();
        reloadMaps();
    }

    // Sends the symbols of the keys from the lowest spare to the highest as this session holds
    // them (the keys between unchanged): one request, one keymap notification.
    void sendSpareKeys() {
        const auto [low, high] = std::minmax_element(spares_.begin(), spares_.end(),
                                                     [](const Spare& a, const Spare& b) { return a.keycode < b.keycode; });
        XkbMapChangesRec changes{};
        changes.changed = XkbKeySymsMask;
        changes.first_key_sym = low->keycode;
        changes.num_key_syms = high->keycode - low->keycode + 1;
        XkbChangeMap(display_, xkb_, &changes);
        XSync(display_, False);
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
    std::vector<Spare> spares_;
    std::vector<KeyCode> pressed_;
};

}  // namespace

bool XTestKeySender::Send(const std::vector<KeyStroke>& strokes, unsigned long window, QString* error) {
    XTestSession session;
    if (!session.open(error)) return false;
    for (size_t i = 0; i < strokes.size(); ++i) {
        if (!session.typeInto(window, strokes, i, error)) return false;
    }
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
        // Only a keycode that still carries the character is put back: someone may have set it since.
        for (unsigned long i = 0; i + 1 < count; i += 2) {
            const auto keycode = static_cast<KeyCode>(pairs[i]);
            int perCode = 0;
            KeySym* syms = XGetKeyboardMapping(display, keycode, 1, &perCode);
            if (syms && perCode > 0 && syms[0] == KeySym(pairs[i + 1]))
                ClearKey(display, keycode);
            if (syms) XFree(syms);
        }
    }
    if (data) XFree(data);
    XCloseDisplay(display);
}
