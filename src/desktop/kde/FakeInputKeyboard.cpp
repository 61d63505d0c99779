#include "FakeInputKeyboard.h"

#include "KWinWindows.h"
#include "WaylandConnection.h"
#include "fake-input-client-protocol.h"
#include "keystate-client-protocol.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <chrono>
#include <cstring>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

namespace {

void OnKeymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) static_cast<FakeInputKeyboard*>(data)->TakeKeymap(fd, size);
    close(fd);
}
void OnEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void OnLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void OnKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void OnModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}

void OnKeyState(void* data, org_kde_kwin_keystate*, uint32_t key, uint32_t state) {
    if (key == ORG_KDE_KWIN_KEYSTATE_KEY_CAPSLOCK)
        static_cast<FakeInputKeyboard*>(data)->capsLocked = state == ORG_KDE_KWIN_KEYSTATE_STATE_LOCKED;
}

}  // namespace

FakeInputKeyboard::FakeInputKeyboard(std::shared_ptr<WaylandConnection> wayland, std::shared_ptr<KWinWindows> windows)
    : wayland_(std::move(wayland)), windows_(std::move(windows)) {
    if (!wayland_->fakeInput || !wayland_->seat) return;
    static const wl_keyboard_listener keyboardListener{OnKeymap, OnEnter, OnLeave, OnKey, OnModifiers, nullptr};
    static const org_kde_kwin_keystate_listener keystateListener{OnKeyState};
    org_kde_kwin_fake_input_authenticate(wayland_->fakeInput, "Pelmora", "types login names and passwords");
    keyboard_ = wl_seat_get_keyboard(wayland_->seat);
    wl_keyboard_add_listener(keyboard_, &keyboardListener, this);
    if (wayland_->keystate) {
        org_kde_kwin_keystate_add_listener(wayland_->keystate, &keystateListener, this);
        org_kde_kwin_keystate_fetchStates(wayland_->keystate);
    }
    wayland_->Roundtrip();
}

FakeInputKeyboard::~FakeInputKeyboard() {
    if (keyboard_ && wayland_->Alive()) wl_keyboard_destroy(keyboard_);
    xkb_keymap_unref(keymap_);
}

void FakeInputKeyboard::TakeKeymap(int fd, uint32_t size) {
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

// The key with the keysym, in the layout in use, on a level that Shift, AltGr or both select.
std::optional<FakeInputKeyboard::Key> FakeInputKeyboard::KeyFor(unsigned keysym) const {
    const xkb_mod_mask_t shift = 1u << xkb_keymap_mod_get_index(keymap_, XKB_MOD_NAME_SHIFT),
                         levelThree = 1u << xkb_keymap_mod_get_index(keymap_, "Mod5");
    const bool hasLevelThree = KeycodeOf(XKB_KEY_ISO_Level3_Shift) != 0;
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap_); code <= xkb_keymap_max_keycode(keymap_); ++code) {
        for (xkb_level_index_t level = 0; level < xkb_keymap_num_levels_for_key(keymap_, code, layout_); ++level) {
            if (!Types(code, level, keysym)) continue;
            xkb_mod_mask_t masks[8];
            const size_t count = xkb_keymap_key_get_mods_for_level(keymap_, code, layout_, level, masks, 8);
            for (size_t i = 0; i < count; ++i)
                if ((masks[i] & ~(shift | levelThree)) == 0 && (hasLevelThree || !(masks[i] & levelThree)))
                    return Key{code, bool(masks[i] & shift), bool(masks[i] & levelThree)};
        }
    }
    return std::nullopt;
}

unsigned FakeInputKeyboard::KeycodeOf(unsigned keysym) const {
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap_); code <= xkb_keymap_max_keycode(keymap_); ++code)
        if (Types(code, 0, keysym)) return code;
    return 0;
}

bool FakeInputKeyboard::Types(unsigned keycode, unsigned level, unsigned keysym) const {
    const xkb_keysym_t* syms = nullptr;
    return xkb_keymap_key_get_syms_by_level(keymap_, keycode, layout_, level, &syms) == 1 && syms[0] == keysym;
}

// The keymap holds every layout the user chose; which one is in use, KWin tells only the window
// with the focus, and over D-Bus anyone (where there is one layout, it serves no such object).
void FakeInputKeyboard::FindLayout() {
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(QStringLiteral("org.kde.keyboard"), QStringLiteral("/Layouts"),
                                       QStringLiteral("org.kde.KeyboardLayouts"), QStringLiteral("getLayout")),
        QDBus::Block, 500);
    layout_ = reply.type() == QDBusMessage::ReplyMessage ? reply.arguments().value(0).toUInt() : 0;
}

std::vector<FakeInputKeyboard::Key> FakeInputKeyboard::KeysFor(const std::vector<KeyStroke>& strokes,
                                                                QString* missing) {
    FindLayout();
    std::vector<Key> keys;
    for (const KeyStroke& k : strokes) {
        if (const std::optional<Key> key = KeyFor(KeysymOf(k))) {
            keys.push_back(*key);
            continue;
        }
        const QString text = k.character ? QString::fromUcs4(&k.character, 1) : QString::number(k.keysym, 16);
        if (!missing->contains(text)) *missing += text;
    }
    return keys;
}

QString FakeInputKeyboard::Untypable(const std::vector<KeyStroke>& strokes) {
    QString missing;
    if (keymap_) KeysFor(strokes, &missing);  // without one, Send says why nothing can be typed
    return missing;
}

void FakeInputKeyboard::Press(unsigned keycode, bool down) {
    // KWin takes Linux input event codes, which xkb's keycodes offset by 8.
    org_kde_kwin_fake_input_keyboard_key(wayland_->fakeInput, keycode - 8,
                                         down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
}

void FakeInputKeyboard::Tap(unsigned keycode) {
    Press(keycode, true);
    Press(keycode, false);
}

std::vector<unsigned> FakeInputKeyboard::HeldFor(const Key& key, int modifiers) const {
    std::vector<unsigned> held;
    if (key.shift || modifiers & KeyStroke::Shift) held.push_back(KeycodeOf(XKB_KEY_Shift_L));
    if (key.levelThree) held.push_back(KeycodeOf(XKB_KEY_ISO_Level3_Shift));
    if (modifiers & KeyStroke::Control) held.push_back(KeycodeOf(XKB_KEY_Control_L));
    if (modifiers & KeyStroke::Alt) held.push_back(KeycodeOf(XKB_KEY_Alt_L));
    std::erase(held, 0u);
    return held;
}

// KWin tells of another window made active over D-Bus, which the event loop reads.
bool FakeInputKeyboard::FocusKept(uint32_t target) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return windows_->Active() && windows_->Active()->id == target;
}

bool FakeInputKeyboard::Send(const std::vector<KeyStroke>& strokes, QString* error) {
    if (!keymap_) {
        *error = QStringLiteral("KWin offers Pelmora no keyboard");
        return false;
    }
    QString missing;
    const std::vector<Key> keys = KeysFor(strokes, &missing);
    if (!missing.isEmpty()) {
        *error = QStringLiteral("no key of the keyboard layout types ") + missing;
        return false;
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);  // the latest word on the active window
    const uint32_t target = windows_->Active() ? windows_->Active()->id : 0;
    const unsigned capsLock = capsLocked ? KeycodeOf(XKB_KEY_Caps_Lock) : 0;
    if (capsLock) Tap(capsLock);
    bool kept = true;
    for (size_t i = 0; i < strokes.size(); ++i) {
        if (!(kept = wayland_->Roundtrip() && FocusKept(target))) break;
        const std::vector<unsigned> held = HeldFor(keys[i], strokes[i].modifiers);
        for (unsigned code : held) Press(code, true);
        Tap(keys[i].keycode);
        for (auto it = held.rbegin(); it != held.rend(); ++it) Press(*it, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));  // lets the client take the keys in order
    }
    if (capsLock) Tap(capsLock);
    if (!wayland_->Roundtrip()) {
        *error = QStringLiteral("the compositor has gone");
        return false;
    }
    if (!kept) *error = QStringLiteral("the keyboard focus moved to another window");
    return kept;
}
