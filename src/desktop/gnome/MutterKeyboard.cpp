#include "MutterKeyboard.h"

#include "ShellWindows.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <chrono>
#include <thread>
#include <xkbcommon/xkbcommon.h>

namespace {

const QString RemoteDesktop = QStringLiteral("org.gnome.Mutter.RemoteDesktop");
// GNOME shows a remote desktop session in the top bar: it ends when the notebook has been quiet
// a while, longer than its pauses between the login name and the password.
constexpr int SessionIdleMs = 5000;

QDBusMessage CallRemoteDesktop(const QString& path, const QString& interface, const QString& method,
                               const QVariantList& arguments = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(RemoteDesktop, path, interface, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 1000);
}

}  // namespace

MutterKeyboard::MutterKeyboard(std::shared_ptr<WaylandConnection> wayland, std::shared_ptr<ShellWindows> windows)
    : windows_(std::move(windows)), keys_(std::move(wayland)) {
    idle_.setSingleShot(true);
    idle_.setInterval(SessionIdleMs);
    QObject::connect(&idle_, &QTimer::timeout, [this] { CloseSession(); });
}

MutterKeyboard::~MutterKeyboard() { CloseSession(); }

void MutterKeyboard::CloseSession() {
    if (!session_.isEmpty()) CallRemoteDesktop(session_, RemoteDesktop + ".Session", QStringLiteral("Stop"));
    session_.clear();
}

bool MutterKeyboard::OpenSession() {
    if (!session_.isEmpty()) return true;
    const QDBusMessage created =
        CallRemoteDesktop(QStringLiteral("/org/gnome/Mutter/RemoteDesktop"), RemoteDesktop, QStringLiteral("CreateSession"));
    const QString path = created.arguments().value(0).value<QDBusObjectPath>().path();
    if (path.isEmpty() ||
        CallRemoteDesktop(path, RemoteDesktop + ".Session", QStringLiteral("Start")).type() != QDBusMessage::ReplyMessage)
        return false;
    session_ = path;
    // Mutter drops the first keys of a keyboard new to it: a Shift goes first, and time to settle.
    const bool pressed = Press(XKB_KEY_Shift_L, true) && Press(XKB_KEY_Shift_L, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return pressed;
}

void MutterKeyboard::Tap(unsigned keysym) {
    Press(keysym, true);
    Press(keysym, false);
}

bool MutterKeyboard::Press(unsigned keysym, bool down) {
    return CallRemoteDesktop(session_, RemoteDesktop + ".Session", QStringLiteral("NotifyKeyboardKeysym"),
                             {keysym, down})
               .type() == QDBusMessage::ReplyMessage;
}

QString MutterKeyboard::Untypable(const std::vector<KeyStroke>& strokes) {
    return MissingIn(windows_->KeyboardState().layout, strokes);
}

QString MutterKeyboard::MissingIn(unsigned layout, const std::vector<KeyStroke>& strokes) const {
    QString missing;
    if (keys_.Known()) keys_.KeysFor(strokes, layout, &missing);
    return missing;
}

bool MutterKeyboard::Send(const std::vector<KeyStroke>& strokes, unsigned long window, QString* error) {
    const ShellWindows::Keyboard keyboard = windows_->KeyboardState();
    if (const QString missing = MissingIn(keyboard.layout, strokes); !missing.isEmpty()) {
        *error = QStringLiteral("no key of the keyboard layout types ") + missing;
        return false;
    }
    if (!OpenSession()) {
        *error = QStringLiteral("GNOME's remote desktop service does not answer");
        return false;
    }
    const auto target = uint32_t(window);
    // Mutter types a letter's key without regard to Caps Lock: it is let go meanwhile.
    if (keyboard.capsLocked) Tap(XKB_KEY_Caps_Lock);
    const bool typed = TypeKeys(strokes, target, error);
    if (keyboard.capsLocked) Tap(XKB_KEY_Caps_Lock);
    idle_.start();
    return typed;
}

bool MutterKeyboard::TypeKeys(const std::vector<KeyStroke>& strokes, uint32_t target, QString* error) {
    for (const KeyStroke& k : strokes) {
        if (!target || windows_->ActiveNow() != target) {
            *error = QStringLiteral("the keyboard focus moved to another window");
            return false;
        }
        if (windows_->ShellHasKeyboard()) {
            *error = QStringLiteral("GNOME Shell took the keyboard (the overview, a menu or a dialog)");
            return false;
        }
        std::vector<unsigned> held;
        if (k.modifiers & KeyStroke::Shift) held.push_back(XKB_KEY_Shift_L);
        if (k.modifiers & KeyStroke::Control) held.push_back(XKB_KEY_Control_L);
        if (k.modifiers & KeyStroke::Alt) held.push_back(XKB_KEY_Alt_L);
        bool sent = true;
        for (unsigned keysym : held) sent &= Press(keysym, true);
        sent &= Press(KeysymOf(k), true) && Press(KeysymOf(k), false);
        for (auto it = held.rbegin(); it != held.rend(); ++it) sent &= Press(*it, false);
        if (!sent) {
            *error = QStringLiteral("GNOME's remote desktop service refused a key");
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));  // lets the client take the keys in order
    }
    return true;
}
