#include "FakeInputKeyboard.h"

#include "KWinWindows.h"
#include "WaylandConnection.h"
#include "fake-input-client-protocol.h"
#include "keystate-client-protocol.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <algorithm>
#include <chrono>
#include <thread>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

namespace {

void OnKeyState(void* data, org_kde_kwin_keystate*, uint32_t key, uint32_t state) {
    if (key == ORG_KDE_KWIN_KEYSTATE_KEY_CAPSLOCK)
        static_cast<FakeInputKeyboard*>(data)->capsLocked = state == ORG_KDE_KWIN_KEYSTATE_STATE_LOCKED;
}

// KWin's full-screen effects (Overview and the like) take the keys while the active window stays
// what it was. Also when KWin does not say, so that no key goes astray.
bool EffectHasKeyboard() {
    static const QStringList taking{"overview", "windowview", "desktopgrid", "tileseditor"};
    QDBusMessage get = QDBusMessage::createMethodCall("org.kde.KWin", "/Effects", "org.freedesktop.DBus.Properties", "Get");
    get.setArguments({QStringLiteral("org.kde.kwin.Effects"), QStringLiteral("activeEffects")});
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 1000);
    if (reply.type() != QDBusMessage::ReplyMessage) return true;
    const QStringList active = reply.arguments().value(0).value<QDBusVariant>().variant().toStringList();
    return std::any_of(active.begin(), active.end(), [](const QString& effect) { return taking.contains(effect); });
}

}  // namespace

FakeInputKeyboard::FakeInputKeyboard(std::shared_ptr<WaylandConnection> wayland, std::shared_ptr<KWinWindows> windows)
    : wayland_(wayland), windows_(std::move(windows)), keys_(std::move(wayland)) {
    if (!wayland_->fakeInput) return;
    static const org_kde_kwin_keystate_listener keystateListener{OnKeyState};
    org_kde_kwin_fake_input_authenticate(wayland_->fakeInput, "Pelmora", "types login names and passwords");
    if (wayland_->keystate) {
        org_kde_kwin_keystate_add_listener(wayland_->keystate, &keystateListener, this);
        org_kde_kwin_keystate_fetchStates(wayland_->keystate);
    }
    wayland_->Roundtrip();
}

FakeInputKeyboard::~FakeInputKeyboard() = default;

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
    return keys_.KeysFor(strokes, layout_, missing);
}

QString FakeInputKeyboard::Untypable(const std::vector<KeyStroke>& strokes) {
    QString missing;
    if (keys_.Known()) KeysFor(strokes, &missing);  // without one, Send says why nothing can be typed
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

bool FakeInputKeyboard::Send(const std::vector<KeyStroke>& strokes, unsigned long window, QString* error) {
    if (!keys_.Known() || !wayland_->fakeInput) {
        *error = QStringLiteral("KWin offers Pelmora no keyboard");
        return false;
    }
    QString missing;
    const std::vector<Key> keys = KeysFor(strokes, &missing);
    if (!missing.isEmpty()) {
        *error = QStringLiteral("no key of the keyboard layout types ") + missing;
        return false;
    }
    const auto target = uint32_t(window);
    const unsigned capsLock = capsLocked ? KeycodeOf(XKB_KEY_Caps_Lock) : 0;
    if (capsLock) Tap(capsLock);
    QString obstacle;
    for (size_t i = 0; i < strokes.size() && (obstacle = ObstacleTo(target)).isEmpty(); ++i) {
        const std::vector<unsigned> held = HeldFor(keys[i], strokes[i].modifiers);
        for (unsigned code : held) Press(code, true);
        Tap(keys[i].keycode);
        for (auto it = held.rbegin(); it != held.rend(); ++it) Press(*it, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));  // lets the client take the keys in order
    }
    if (capsLock) Tap(capsLock);
    if (!wayland_->Roundtrip()) obstacle = QStringLiteral("the compositor has gone");
    if (!obstacle.isEmpty()) *error = obstacle;
    return obstacle.isEmpty();
}

QString FakeInputKeyboard::ObstacleTo(uint32_t target) {
    if (!wayland_->Roundtrip()) return QStringLiteral("the compositor has gone");
    if (!target || windows_->ActiveNow() != target) return QStringLiteral("the keyboard focus moved to another window");
    if (EffectHasKeyboard()) return QStringLiteral("a full-screen effect of KWin took the keyboard (Overview, say)");
    return {};
}
