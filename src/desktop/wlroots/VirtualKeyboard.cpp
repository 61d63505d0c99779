#include "VirtualKeyboard.h"

#include "Toplevels.h"
#include "WaylandConnection.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <chrono>
#include <algorithm>
#include <memory>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

namespace {

// Keycodes 9 to 11 hold the modifiers, the characters follow; XWayland clients know no keycode
// above 255, so a text with more distinct characters is typed in parts, a keymap each.
constexpr unsigned FirstKeycode = 12, MostKeys = 255 - FirstKeycode + 1;
constexpr unsigned ShiftMask = 1u << 0, ControlMask = 1u << 2, AltMask = 1u << 3;  // Mod1
constexpr int KeymapSettleMs = 60;
constexpr int IdleMs = 1500;  // longer than the notebook's pauses between the parts of an entry

QByteArray Name(unsigned keysym) {
    char name[64];
    return xkb_keysym_get_name(keysym, name, sizeof name) > 0 ? QByteArray(name) : QByteArray();
}

// Adds the keysyms of the strokes from `from` on to those of a keymap, as many as it takes;
// returns where the strokes it covers end.
size_t Cover(const std::vector<KeyStroke>& strokes, size_t from, std::vector<unsigned>& keysyms) {
    for (; from < strokes.size(); ++from) {
        const unsigned keysym = KeysymOf(strokes[from]);
        if (std::find(keysyms.begin(), keysyms.end(), keysym) != keysyms.end()) continue;
        if (keysyms.size() == MostKeys) break;
        keysyms.push_back(keysym);
    }
    return from;
}

template <class T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, std::integral_constant<decltype(Free), Free>>;

}  // namespace

VirtualKeyboard::VirtualKeyboard(std::shared_ptr<WaylandConnection> wayland, std::shared_ptr<Toplevels> toplevels)
    : wayland_(std::move(wayland)), toplevels_(std::move(toplevels)) {
    idle_.setSingleShot(true);
    idle_.setInterval(IdleMs);
    QObject::connect(&idle_, &QTimer::timeout, [this] {
        if (keyboard_ && wayland_->Alive()) Load({});
    });
}

VirtualKeyboard::~VirtualKeyboard() {
    if (keyboard_ && wayland_->Alive()) zwp_virtual_keyboard_v1_destroy(keyboard_);
}

QByteArray VirtualKeyboard::KeymapFor(const std::vector<unsigned>& keysyms) {
    QByteArray codes = "xkb_keycodes \"pelmora\" { minimum = 8; maximum = 255;\n", symbols;
    const char* modifiers[][2] = {{"Shift_L", "Shift"}, {"Control_L", "Control"}, {"Alt_L", "Mod1"}};
    for (unsigned i = 0; i < 3; ++i) {
        const QByteArray key = "<K" + QByteArray::number(9 + i) + ">";
        codes += key + " = " + QByteArray::number(9 + i) + ";\n";
        symbols += "key " + key + " { [ " + modifiers[i][0] + " ] }; modifier_map " + modifiers[i][1] + " { " + key + " };\n";
    }
    for (size_t i = 0; i < keysyms.size(); ++i) {
        const QByteArray key = "<K" + QByteArray::number(FirstKeycode + i) + ">";
        codes += key + " = " + QByteArray::number(FirstKeycode + i) + ";\n";
        // A letter has its capital on the Shift level, so that Shift with it types the capital.
        const unsigned upper = xkb_keysym_to_upper(keysyms[i]);
        symbols += "key " + key + " { [ " + Name(keysyms[i]) + (upper != keysyms[i] ? ", " + Name(upper) : "") + " ] };\n";
    }
    const QByteArray text = "xkb_keymap {\n" + codes + "};\nxkb_types \"pelmora\" { include \"complete\" };\n"
                            "xkb_compatibility \"pelmora\" { include \"complete\" };\nxkb_symbols \"pelmora\" {\n" +
                            symbols + "};\n};\n";
    const Owned<xkb_context, xkb_context_unref> context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    const Owned<xkb_keymap, xkb_keymap_unref> keymap(
        context ? xkb_keymap_new_from_string(context.get(), text.constData(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                             XKB_KEYMAP_COMPILE_NO_FLAGS)
                : nullptr);
    if (!keymap) return {};
    const std::unique_ptr<char, decltype(&free)> compiled(xkb_keymap_get_as_string(keymap.get(), XKB_KEYMAP_FORMAT_TEXT_V1), free);
    return QByteArray(compiled.get());
}

bool VirtualKeyboard::Load(const std::vector<unsigned>& keysyms) {
    if (keysyms == loaded_) return true;
    const QByteArray keymap = KeymapFor(keysyms);
    loaded_.clear();
    if (keymap.isEmpty()) return false;
    const int fd = memfd_create("pelmora-keymap", MFD_CLOEXEC);
    if (fd < 0) return false;
    const bool written = write(fd, keymap.constData(), size_t(keymap.size()) + 1) == keymap.size() + 1;
    if (written) zwp_virtual_keyboard_v1_keymap(keyboard_, XKB_KEYMAP_FORMAT_TEXT_V1, fd, uint32_t(keymap.size() + 1));
    close(fd);
    if (!written || !wayland_->Roundtrip()) return false;
    loaded_ = keysyms;
    if (keysyms.empty()) return true;  // a keymap with no characters: no key needs it in time
    // The window gets the keymap with the keyboard's next key, and may drop the key itself (GTK),
    // or read it before it has the keymap (an X11 window through XWayland): a Shift goes first,
    // and a moment for the keymap to arrive everywhere.
    Press(9, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(KeymapSettleMs));
    return wayland_->Roundtrip();
}

void VirtualKeyboard::Press(unsigned keycode, unsigned modifiers) {
    // Milliseconds of the monotonic clock, as the compositor's own key events carry.
    const auto time = uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch()).count());
    zwp_virtual_keyboard_v1_modifiers(keyboard_, modifiers, 0, 0, 0);
    zwp_virtual_keyboard_v1_key(keyboard_, time, keycode - 8, WL_KEYBOARD_KEY_STATE_PRESSED);
    zwp_virtual_keyboard_v1_key(keyboard_, time, keycode - 8, WL_KEYBOARD_KEY_STATE_RELEASED);
    if (modifiers) zwp_virtual_keyboard_v1_modifiers(keyboard_, 0, 0, 0, 0);
}

bool VirtualKeyboard::Send(const std::vector<KeyStroke>& strokes, unsigned long window, QString* error) {
    const bool typed = Type(strokes, uint32_t(window), error);
    idle_.start();
    return typed;
}

bool VirtualKeyboard::Type(const std::vector<KeyStroke>& strokes, uint32_t targetId, QString* error) {
    if (!wayland_->keyboardManager || !wayland_->seat) {
        *error = QStringLiteral("the compositor offers no virtual keyboard");
        return false;
    }
    if (!keyboard_) keyboard_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(wayland_->keyboardManager, wayland_->seat);
    for (size_t from = 0; from < strokes.size();) {
        // The keys loaded keep their keycodes, new ones follow: an X11 window reads a key by the
        // keymap it has when it gets to the key, which may be the next one already. Only a
        // full keymap is begun anew.
        std::vector<unsigned> keysyms = loaded_;
        size_t to = Cover(strokes, from, keysyms);
        if (to == from) to = Cover(strokes, from, keysyms = {});
        if (!Load(keysyms)) {
            *error = wayland_->Alive() ? QStringLiteral("the keys could not be loaded") : QStringLiteral("the compositor has gone");
            return false;
        }
        for (; from < to; ++from) {
            wayland_->Dispatch(0);  // the latest word on which window is active
            const NativeWindows::Window* active = toplevels_->Active();
            if (!wayland_->Alive() || !active || active->id != targetId) {
                *error = wayland_->Alive() ? QStringLiteral("the keyboard focus moved to another window")
                                          : QStringLiteral("the compositor has gone");
                return false;
            }
            const KeyStroke& k = strokes[from];
            const auto index = unsigned(std::find(keysyms.begin(), keysyms.end(), KeysymOf(k)) - keysyms.begin());
            Press(FirstKeycode + index, (k.modifiers & KeyStroke::Shift ? ShiftMask : 0) |
                                            (k.modifiers & KeyStroke::Control ? ControlMask : 0) |
                                            (k.modifiers & KeyStroke::Alt ? AltMask : 0));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));  // lets the client take the keys in order
        }
    }
    return wayland_->Roundtrip();
}
